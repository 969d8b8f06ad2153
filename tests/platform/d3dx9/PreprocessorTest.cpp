// The preprocessor, seen through the assembler and the compiler: macros with and without
// arguments, # and ##, conditionals, #include through the caller's handler, the defines
// passed in, __LINE__, and the errors of each.
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/d3dx9/ShaderTestSupport.h"

using namespace zrq::test;

namespace {

// Serves files from a map and records what it was asked, with the parent data it was given.
class MapInclude final : public ID3DXInclude {
public:
  std::map<std::string, std::string> files;
  std::vector<std::string> opened;
  std::vector<const void *> parents;
  int open = 0;

  STDMETHOD(Open)
  (D3DXINCLUDE_TYPE type, LPCSTR name, LPCVOID parent, LPCVOID *data, UINT *bytes) override {
    opened.push_back((type == D3DXINC_SYSTEM ? "<" : "\"") + std::string(name));
    parents.push_back(parent);
    const auto found = files.find(name);
    if (found == files.end()) return E_FAIL;
    *data = found->second.data();
    *bytes = static_cast<UINT>(found->second.size());
    ++open;
    return S_OK;
  }
  STDMETHOD(Close)(LPCVOID) override {
    --open;
    return S_OK;
  }
};

// The instruction lines of assembling `body` (after a vs_1_1 line).
std::vector<std::string> Lines(const std::string &body, const D3DXMACRO *defines = nullptr,
                               ID3DXInclude *include = nullptr) {
  const Compiled c = Assemble("vs_1_1\n" + body, defines, include);
  EXPECT_EQ(c.status, D3D_OK) << c.messages;
  return InstructionLines(c.tokens);
}

using Text = std::vector<std::string>;

} // namespace

TEST(Preprocessor, MacrosWithArgumentsStringizingAndPasting) {
  EXPECT_EQ(Lines("#define R(n) r##n\n#define COPY(d, s) mov d, s\nCOPY(R(1), c2)\nCOPY(R(1).x, "
                  "-R(3).y)\n"),
            (Text{"mov r1, c2", "mov r1.x, -r3.y"}));
  // A macro is not expanded again inside its own expansion.
  EXPECT_EQ(Lines("#define c0 c0.x\nmov r0, c0\n"), (Text{"mov r0, c0.x"}));
  // Arguments are expanded before they are substituted, except next to ## or #.
  EXPECT_EQ(Lines("#define REG(n) c##n\n#define SAME(x) x\nmov r1, SAME(REG(2))\n"),
            (Text{"mov r1, c2"}));
  const Compiled pasted =
      Assemble("vs_1_1\n#define ONE 1\n#define REG(n) c##n\nmov r0, REG(ONE)\n");
  EXPECT_EQ(pasted.status, D3DXERR_INVALIDDATA); // cONE is no register
  // Stringizing makes a string, which a shader can only complain about.
  const Compiled stringized =
      Compile("#define S(x) #x\nfloat4 main() : COLOR { return S(a + b); }", "ps_2_0");
  EXPECT_EQ(stringized.status, D3DXERR_INVALIDDATA);
  EXPECT_NE(stringized.messages.find("'\"a + b\"'"), std::string::npos) << stringized.messages;
  // Invocations may span lines; a function-like name alone stays a name.
  EXPECT_EQ(
      Lines("#define ADD(a, b) add a, b, c0\nADD(r0,\n    r1)\n#define mov(x) nop\nmov r2, c1\n"),
      (Text{"add r0, r1, c0", "mov r2, c1"}));
}

TEST(Preprocessor, ConditionalsAndDefinesFromTheCaller) {
  const D3DXMACRO defines[] = {{"LEVEL", "2"}, {"FAST", nullptr}, {nullptr, nullptr}};
  EXPECT_EQ(Lines("#if LEVEL > 1 && defined(FAST)\nmov r0, c0\n#elif LEVEL\nmov r0, c1\n#else\nmov "
                  "r0, c2\n#endif\n"
                  "#ifndef SLOW\nmov r1, c3\n#endif\n#ifdef FAST\n#if 0\n#error not "
                  "here\n#endif\nmov r2, c4\n#endif\n"
                  "#undef LEVEL\n#if LEVEL\nnop\n#endif\n#if (7 / 2) * 2 == 6 && (1 << 3) == 8 && "
                  "-1 < 0 && 0x10 == 16 && !defined LEVEL\n"
                  "mov r3, c5\n#endif\n",
                  defines),
            (Text{"mov r0, c0", "mov r1, c3", "mov r2, c4", "mov r3, c5"}));
  // __LINE__ is the line it stands on.
  const Compiled line = Compile("float4 main() : COLOR {\n\n  return __LINE__;\n}\n", "ps_2_0");
  ASSERT_EQ(line.status, D3D_OK) << line.messages;
  EXPECT_EQ(InstructionLines(line.tokens).front(), "def c0, 3, 0, 0, 0");
}

TEST(Preprocessor, IncludesGoThroughTheHandlerAndAreClosed) {
  MapInclude include;
  include.files["common.h"] = "#include <inner.h>\n#define SCALE 2\n";
  include.files["inner.h"] = "float4 tint;\n";
  const std::string source = "#include \"common.h\"\nfloat4 main(float4 c : COLOR0) : COLOR { "
                             "return c * tint * SCALE; }\n";
  const Compiled c = Compile(source, "ps_2_0", "main", 0, nullptr, &include);
  ASSERT_EQ(c.status, D3D_OK) << c.messages;
  EXPECT_EQ(include.opened, (std::vector<std::string>{"\"common.h", "<inner.h"}));
  ASSERT_EQ(include.parents.size(), 2u);
  EXPECT_EQ(include.parents[0], nullptr); // from the source itself
  EXPECT_EQ(include.parents[1], include.files["common.h"].data());
  EXPECT_EQ(include.open, 0);
  ASSERT_NE(c.table->GetConstantByName(nullptr, "tint"), nullptr);

  // Errors inside an included file name that file; the handler's files are still closed.
  include.files["bad.h"] = "float4 k;\nfloat4 oops = ;\n";
  const Compiled bad = Compile("#include \"bad.h\"\nfloat4 main() : COLOR { return k; }\n",
                               "ps_2_0", "main", 0, nullptr, &include);
  EXPECT_EQ(bad.status, D3DXERR_INVALIDDATA);
  EXPECT_NE(bad.messages.find("bad.h(2,15): error X3000"), std::string::npos) << bad.messages;
  EXPECT_EQ(include.open, 0);
}

TEST(Preprocessor, ErrorsNameTheDirective) {
  struct Case {
    std::string source;
    const char *message;
  } cases[] = {
      {"#include \"missing.h\"\n",
       "memory(1,1): error X1507: failed to open source file: 'missing.h'"},
      {"\n#if 1\nnop\n", "memory(2,1): error X1004: #if without #endif"},
      {"#endif\n", "memory(1,1): error X1005: #endif without #if"},
      {"#error stop here\n", "memory(1,1): error X1008: #error: stop here"},
      {"#define F(a, b) a\nF(1)\n", "memory(2,1): error X1006: macro 'F' takes 2 arguments, not 1"},
      {"#define F(a) a\nF(1\n",
       "memory(2,1): error X1007: unexpected end of file in the arguments of macro 'F'"},
      {"#if 1 / 0\n#endif\n", "memory(1,7): error X1011: division by zero in #if"},
      {"#pragma anything\n#frobnicate\n",
       "memory(2,2): error X1003: invalid preprocessor directive 'frobnicate'"},
      {"#define A B\n#define B A\n#define X(n) X(n) X(n)\nA X(1)\n",
       "memory(4,1): error X3000: syntax error: unexpected 'A'"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.source);
    const Compiled out = Compile(c.source + "float4 main() : COLOR { return 0; }\n", "ps_2_0");
    EXPECT_EQ(out.status, D3DXERR_INVALIDDATA);
    EXPECT_NE(out.messages.find(c.message), std::string::npos) << out.messages;
  }
  // Macros that double on every expansion are cut off instead of running away.
  std::string runaway = "#define M0 x x\n";
  for (int i = 1; i < 30; ++i)
    runaway += "#define M" + std::to_string(i) + " M" + std::to_string(i - 1) + " M" +
               std::to_string(i - 1) + "\n";
  const Compiled out = Compile(runaway + "M29\n", "ps_2_0");
  EXPECT_EQ(out.status, D3DXERR_INVALIDDATA);
  EXPECT_NE(out.messages.find("error X1009: macro expansion is too large"), std::string::npos)
      << out.messages;
}
