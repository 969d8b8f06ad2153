// D3DX buffers, and compiling shader source from module resources in a build without a shader
// compiler: arguments and resources are checked as a compiler would, and the answer says why
// nothing was compiled.
#include <d3dx9.h>
#include <zrqresource.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Out-pointers start as garbage so that clearing them is seen.
LPD3DXBUFFER const kGarbage = reinterpret_cast<LPD3DXBUFFER>(0x1);

struct Outputs {
  LPD3DXBUFFER shader = kGarbage, errors = kGarbage;
  LPD3DXCONSTANTTABLE table = reinterpret_cast<LPD3DXCONSTANTTABLE>(0x1);
  ~Outputs() {
    if (errors && errors != kGarbage) errors->Release();
  }
};

HRESULT Compile(LPCWSTR resource, Outputs &out, LPCSTR entry = "main", LPCSTR profile = "ps_2_0") {
  return D3DXCompileShaderFromResourceW(ZrqThisModule(), resource, nullptr, nullptr, entry, profile, 0, &out.shader,
                                        &out.errors, &out.table);
}

}  // namespace

TEST(D3DXBuffer, HoldsZeroedBytesUnderOneCount) {
  LPD3DXBUFFER buffer = nullptr;
  ASSERT_EQ(D3DXCreateBuffer(12, &buffer), D3D_OK);
  EXPECT_EQ(buffer->GetBufferSize(), 12u);
  const auto *bytes = static_cast<const unsigned char *>(buffer->GetBufferPointer());
  for (int i = 0; i < 12; ++i) EXPECT_EQ(bytes[i], 0) << i;
  void *other = &buffer;
  EXPECT_EQ(buffer->QueryInterface(IID_ID3DXConstantTable, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(buffer->Release(), 0u);
  ASSERT_EQ(D3DXCreateBuffer(0, &buffer), D3D_OK);  // empty, still with a pointer to hand out
  EXPECT_NE(buffer->GetBufferPointer(), nullptr);
  buffer->Release();
  EXPECT_EQ(D3DXCreateBuffer(4, nullptr), D3DERR_INVALIDCALL);
}

TEST(ShaderFromResource, FoundSourceIsNotCompiledInThisBuildAndTheMessageSaysWhy) {
  for (LPCWSTR resource : {static_cast<LPCWSTR>(MAKEINTRESOURCEW(7)), static_cast<LPCWSTR>(u"PassThrough")}) {
    Outputs out;
    EXPECT_EQ(Compile(resource, out), E_NOTIMPL);
    EXPECT_EQ(out.shader, nullptr);
    EXPECT_EQ(out.table, nullptr);
    ASSERT_NE(out.errors, nullptr);
    const char *text = static_cast<const char *>(out.errors->GetBufferPointer());
    ASSERT_EQ(text[out.errors->GetBufferSize() - 1], '\0');
    EXPECT_NE(std::strstr(text, "shader compiler is not available in this build"), nullptr) << text;
    EXPECT_NE(std::strstr(text, "\"main\" for profile ps_2_0"), nullptr) << text;
  }
  // The narrow and the unsuffixed forms, without a message buffer.
  LPD3DXBUFFER shader = kGarbage;
  EXPECT_EQ(D3DXCompileShaderFromResource(ZrqThisModule(), MAKEINTRESOURCEW(7), nullptr, nullptr, "main", "ps_2_0",
                                          D3DXSHADER_DEBUG, &shader, nullptr, nullptr),
            E_NOTIMPL);
  EXPECT_EQ(shader, nullptr);
  for (LPCSTR name : {"passthrough", static_cast<LPCSTR>(MAKEINTRESOURCEA(7))})
    EXPECT_EQ(D3DXCompileShaderFromResourceA(ZrqThisModule(), name, nullptr, nullptr, "main", "ps_2_0", 0, &shader,
                                             nullptr, nullptr),
              E_NOTIMPL);
}

TEST(ShaderFromResource, MissingSourceIsInvalidDataAndMissingArgumentsAnInvalidCall) {
  // Only RCDATA holds shader source: the same file under a type of its own is not found.
  for (LPCWSTR resource : {static_cast<LPCWSTR>(MAKEINTRESOURCEW(8)), static_cast<LPCWSTR>(MAKEINTRESOURCEW(99)),
                           static_cast<LPCWSTR>(u"NOSUCH")}) {
    Outputs out;
    EXPECT_EQ(Compile(resource, out), D3DXERR_INVALIDDATA);
    EXPECT_EQ(out.shader, nullptr);
    EXPECT_EQ(out.errors, nullptr);
    EXPECT_EQ(out.table, nullptr);
  }
  Outputs out;
  EXPECT_EQ(Compile(nullptr, out), D3DERR_INVALIDCALL);
  EXPECT_EQ(out.errors, nullptr);
  EXPECT_EQ(Compile(MAKEINTRESOURCEW(7), out, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(Compile(MAKEINTRESOURCEW(7), out, "main", nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCompileShaderFromResourceW(ZrqThisModule(), MAKEINTRESOURCEW(7), nullptr, nullptr, "main", "ps_2_0",
                                           0, nullptr, &out.errors, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(out.errors, nullptr);
  EXPECT_EQ(D3DXCompileShaderFromResourceA(ZrqThisModule(), "PASS\xC3\x9FTHROUGH", nullptr, nullptr, "main", "ps_2_0",
                                           0, &out.shader, nullptr, nullptr),
            D3DXERR_INVALIDDATA);
}
