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
LPD3DXBUFFER const kGarbageBuffer = reinterpret_cast<LPD3DXBUFFER>(0x1);
LPD3DXCONSTANTTABLE const kGarbageTable = reinterpret_cast<LPD3DXCONSTANTTABLE>(0x1);

struct Outputs {
  LPD3DXBUFFER shader = kGarbageBuffer;
  LPD3DXBUFFER errors = kGarbageBuffer;
  LPD3DXCONSTANTTABLE table = kGarbageTable;
  ~Outputs() {
    if (shader && shader != kGarbageBuffer) shader->Release();
    if (errors && errors != kGarbageBuffer) errors->Release();
  }
  std::string Text() const {
    if (!errors || errors == kGarbageBuffer) return {};
    const char *text = static_cast<const char *>(errors->GetBufferPointer());
    return std::string(text, strnlen(text, errors->GetBufferSize()));
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
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->GetBufferSize(), 12u);
  const auto *bytes = static_cast<const unsigned char *>(buffer->GetBufferPointer());
  for (int i = 0; i < 12; ++i) EXPECT_EQ(bytes[i], 0) << i;
  IUnknown *unknown = nullptr;
  ASSERT_EQ(buffer->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&unknown)), S_OK);
  EXPECT_EQ(unknown->Release(), 1u);
  void *table = &unknown;
  EXPECT_EQ(buffer->QueryInterface(IID_ID3DXConstantTable, &table), E_NOINTERFACE);
  EXPECT_EQ(table, nullptr);
  EXPECT_EQ(buffer->Release(), 0u);

  ASSERT_EQ(D3DXCreateBuffer(0, &buffer), D3D_OK);  // empty, but with a pointer to hand out
  EXPECT_EQ(buffer->GetBufferSize(), 0u);
  EXPECT_NE(buffer->GetBufferPointer(), nullptr);
  buffer->Release();
  EXPECT_EQ(D3DXCreateBuffer(4, nullptr), D3DERR_INVALIDCALL);
}

TEST(ShaderFromResource, FoundSourceIsNotCompiledInThisBuildAndSaysWhy) {
  for (LPCWSTR resource : {static_cast<LPCWSTR>(MAKEINTRESOURCEW(7)), static_cast<LPCWSTR>(u"PassThrough")}) {
    Outputs out;
    EXPECT_EQ(Compile(resource, out), E_NOTIMPL);
    EXPECT_EQ(out.shader, nullptr);
    EXPECT_EQ(out.table, nullptr);
    ASSERT_NE(out.errors, nullptr);
    const std::string text = out.Text();
    EXPECT_NE(text.find("shader compiler is not available in this build"), std::string::npos) << text;
    EXPECT_NE(text.find("\"main\""), std::string::npos) << text;
    EXPECT_NE(text.find("ps_2_0"), std::string::npos) << text;
    EXPECT_EQ(static_cast<const char *>(out.errors->GetBufferPointer())[out.errors->GetBufferSize() - 1], '\0');
  }
  // Without a message buffer, and through the narrow name and the unsuffixed name.
  LPD3DXBUFFER shader = kGarbageBuffer;
  EXPECT_EQ(D3DXCompileShaderFromResource(ZrqThisModule(), MAKEINTRESOURCEW(7), nullptr, nullptr, "main", "ps_2_0",
                                          D3DXSHADER_DEBUG, &shader, nullptr, nullptr),
            E_NOTIMPL);
  EXPECT_EQ(shader, nullptr);
  Outputs narrow;
  EXPECT_EQ(D3DXCompileShaderFromResourceA(ZrqThisModule(), "passthrough", nullptr, nullptr, "main", "ps_2_0", 0,
                                           &narrow.shader, &narrow.errors, &narrow.table),
            E_NOTIMPL);
  EXPECT_EQ(D3DXCompileShaderFromResourceA(ZrqThisModule(), MAKEINTRESOURCEA(7), nullptr, nullptr, "main", "ps_2_0", 0,
                                           &narrow.shader, &narrow.errors, &narrow.table),
            E_NOTIMPL);
}

TEST(ShaderFromResource, MissingSourceIsInvalidDataAndBadArgumentsAnInvalidCall) {
  // Only RCDATA holds shader source: the same file under another type is not found.
  for (LPCWSTR resource : {static_cast<LPCWSTR>(MAKEINTRESOURCEW(8)), static_cast<LPCWSTR>(MAKEINTRESOURCEW(99)), static_cast<LPCWSTR>(u"NOSUCH")}) {
    Outputs out;
    EXPECT_EQ(Compile(resource, out), D3DXERR_INVALIDDATA);
    EXPECT_EQ(out.shader, nullptr);
    EXPECT_EQ(out.errors, nullptr);
    EXPECT_EQ(out.table, nullptr);
  }
  Outputs out;
  EXPECT_EQ(Compile(nullptr, out), D3DERR_INVALIDCALL);
  EXPECT_EQ(out.errors, nullptr);
  EXPECT_EQ(out.table, nullptr);
  EXPECT_EQ(Compile(MAKEINTRESOURCEW(7), out, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(Compile(MAKEINTRESOURCEW(7), out, "main", nullptr), D3DERR_INVALIDCALL);
  LPD3DXBUFFER errors = kGarbageBuffer;
  EXPECT_EQ(D3DXCompileShaderFromResourceW(ZrqThisModule(), MAKEINTRESOURCEW(7), nullptr, nullptr, "main", "ps_2_0",
                                           0, nullptr, &errors, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(errors, nullptr);
  EXPECT_EQ(D3DXCompileShaderFromResourceA(ZrqThisModule(), "PASS\xC3\x9FTHROUGH", nullptr, nullptr, "main", "ps_2_0",
                                           0, &out.shader, nullptr, nullptr),
            D3DXERR_INVALIDDATA);
}
