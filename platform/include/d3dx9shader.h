// D3DX shaders: the buffer that carries compiled tokens and messages, the constant table of a
// compiled shader, the compiler (from memory or a module's resources), the assembler and the
// disassembler. Interfaces are declared in their Windows slot order.
#pragma once

#include "d3dx9.h"

// ---- Compiler flags ---------------------------------------------------------------------------

#define D3DXSHADER_DEBUG 0x00000001
#define D3DXSHADER_SKIPVALIDATION 0x00000002
#define D3DXSHADER_SKIPOPTIMIZATION 0x00000004
#define D3DXSHADER_PACKMATRIX_ROWMAJOR 0x00000008
#define D3DXSHADER_PACKMATRIX_COLUMNMAJOR 0x00000010
#define D3DXSHADER_PARTIALPRECISION 0x00000020
#define D3DXSHADER_FORCE_VS_SOFTWARE_NOOPT 0x00000040
#define D3DXSHADER_FORCE_PS_SOFTWARE_NOOPT 0x00000080
#define D3DXSHADER_NO_PRESHADER 0x00000100
#define D3DXSHADER_AVOID_FLOW_CONTROL 0x00000200
#define D3DXSHADER_PREFER_FLOW_CONTROL 0x00000400
#define D3DXSHADER_ENABLE_BACKWARDS_COMPATIBILITY 0x00001000
#define D3DXSHADER_IEEE_STRICTNESS 0x00002000
#define D3DXSHADER_OPTIMIZATION_LEVEL0 0x00004000
#define D3DXSHADER_OPTIMIZATION_LEVEL1 0x00000000
#define D3DXSHADER_OPTIMIZATION_LEVEL2 0x0000C000
#define D3DXSHADER_OPTIMIZATION_LEVEL3 0x00008000
#define D3DXSHADER_USE_LEGACY_D3DX9_31_DLL 0x00010000

#define D3DXCONSTTABLE_LARGEADDRESSAWARE 0x00020000

// ---- Types ------------------------------------------------------------------------------------

// A constant of a compiled shader, named by its name (or by a handle a constant table gave out).
typedef LPCSTR D3DXHANDLE;
typedef D3DXHANDLE *LPD3DXHANDLE;

// One preprocessor definition; an array of them ends with a null Name.
typedef struct _D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
} D3DXMACRO, *LPD3DXMACRO;

typedef enum _D3DXREGISTER_SET {
  D3DXRS_BOOL,
  D3DXRS_INT4,
  D3DXRS_FLOAT4,
  D3DXRS_SAMPLER,
  D3DXRS_FORCE_DWORD = 0x7fffffff
} D3DXREGISTER_SET,
    *LPD3DXREGISTER_SET;

typedef enum _D3DXPARAMETER_CLASS {
  D3DXPC_SCALAR,
  D3DXPC_VECTOR,
  D3DXPC_MATRIX_ROWS,
  D3DXPC_MATRIX_COLUMNS,
  D3DXPC_OBJECT,
  D3DXPC_STRUCT,
  D3DXPC_FORCE_DWORD = 0x7fffffff
} D3DXPARAMETER_CLASS,
    *LPD3DXPARAMETER_CLASS;

typedef enum _D3DXPARAMETER_TYPE {
  D3DXPT_VOID,
  D3DXPT_BOOL,
  D3DXPT_INT,
  D3DXPT_FLOAT,
  D3DXPT_STRING,
  D3DXPT_TEXTURE,
  D3DXPT_TEXTURE1D,
  D3DXPT_TEXTURE2D,
  D3DXPT_TEXTURE3D,
  D3DXPT_TEXTURECUBE,
  D3DXPT_SAMPLER,
  D3DXPT_SAMPLER1D,
  D3DXPT_SAMPLER2D,
  D3DXPT_SAMPLER3D,
  D3DXPT_SAMPLERCUBE,
  D3DXPT_PIXELSHADER,
  D3DXPT_VERTEXSHADER,
  D3DXPT_PIXELFRAGMENT,
  D3DXPT_VERTEXFRAGMENT,
  D3DXPT_UNSUPPORTED,
  D3DXPT_FORCE_DWORD = 0x7fffffff
} D3DXPARAMETER_TYPE,
    *LPD3DXPARAMETER_TYPE;

typedef struct _D3DXCONSTANTTABLE_DESC {
  LPCSTR Creator;
  DWORD Version;
  UINT Constants;
} D3DXCONSTANTTABLE_DESC, *LPD3DXCONSTANTTABLE_DESC;

typedef struct _D3DXCONSTANT_DESC {
  LPCSTR Name;
  D3DXREGISTER_SET RegisterSet;
  UINT RegisterIndex;
  UINT RegisterCount;
  D3DXPARAMETER_CLASS Class;
  D3DXPARAMETER_TYPE Type;
  UINT Rows;
  UINT Columns;
  UINT Elements;
  UINT StructMembers;
  UINT Bytes;
  LPCVOID DefaultValue;
} D3DXCONSTANT_DESC, *LPD3DXCONSTANT_DESC;

typedef enum _D3DXINCLUDE_TYPE {
  D3DXINC_LOCAL,
  D3DXINC_SYSTEM,
  D3DXINC_FORCE_DWORD = 0x7fffffff
} D3DXINCLUDE_TYPE,
    *LPD3DXINCLUDE_TYPE;

// ---- Interfaces -------------------------------------------------------------------------------

// {8BA5FB08-5195-40E2-AC58-0D989C3A0102}
DEFINE_GUID(IID_ID3DXBuffer, 0x8BA5FB08, 0x5195, 0x40E2, 0xAC, 0x58, 0x0D, 0x98, 0x9C, 0x3A, 0x01,
            0x02);
// {AB3C758F-093E-4356-B762-4DB18F1B3A01}
DEFINE_GUID(IID_ID3DXConstantTable, 0xAB3C758F, 0x093E, 0x4356, 0xB7, 0x62, 0x4D, 0xB1, 0x8F, 0x1B,
            0x3A, 0x01);

// A block of bytes: compiled shader tokens, or a compiler's messages as NUL-terminated text.
struct ID3DXBuffer : public IUnknown {
  STDMETHOD_(LPVOID, GetBufferPointer)() PURE;
  STDMETHOD_(DWORD, GetBufferSize)() PURE;
};
typedef ID3DXBuffer *LPD3DXBUFFER;
ZRQ_DECLARE_UUID_OF_IID(ID3DXBuffer);

// The constants of a compiled shader; each Set writes the registers of the named constant on
// the device given.
struct ID3DXConstantTable : public ID3DXBuffer {
  STDMETHOD(GetDesc)(D3DXCONSTANTTABLE_DESC *pDesc) PURE;
  STDMETHOD(GetConstantDesc)
  (D3DXHANDLE hConstant, D3DXCONSTANT_DESC *pConstantDesc, UINT *pCount) PURE;
  STDMETHOD_(UINT, GetSamplerIndex)(D3DXHANDLE hConstant) PURE;
  STDMETHOD_(D3DXHANDLE, GetConstant)(D3DXHANDLE hConstant, UINT Index) PURE;
  STDMETHOD_(D3DXHANDLE, GetConstantByName)(D3DXHANDLE hConstant, LPCSTR pName) PURE;
  STDMETHOD_(D3DXHANDLE, GetConstantElement)(D3DXHANDLE hConstant, UINT Index) PURE;
  STDMETHOD(SetDefaults)(IDirect3DDevice9 *pDevice) PURE;
  STDMETHOD(SetValue)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, LPCVOID pData, UINT Bytes) PURE;
  STDMETHOD(SetBool)(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, BOOL b) PURE;
  STDMETHOD(SetBoolArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const BOOL *pb, UINT Count) PURE;
  STDMETHOD(SetInt)(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, INT n) PURE;
  STDMETHOD(SetIntArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const INT *pn, UINT Count) PURE;
  STDMETHOD(SetFloat)(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, FLOAT f) PURE;
  STDMETHOD(SetFloatArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const FLOAT *pf, UINT Count) PURE;
  STDMETHOD(SetVector)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXVECTOR4 *pVector) PURE;
  STDMETHOD(SetVectorArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXVECTOR4 *pVector, UINT Count) PURE;
  STDMETHOD(SetMatrix)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX *pMatrix) PURE;
  STDMETHOD(SetMatrixArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX *pMatrix, UINT Count) PURE;
  STDMETHOD(SetMatrixPointerArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX **ppMatrix, UINT Count) PURE;
  STDMETHOD(SetMatrixTranspose)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX *pMatrix) PURE;
  STDMETHOD(SetMatrixTransposeArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX *pMatrix, UINT Count) PURE;
  STDMETHOD(SetMatrixTransposePointerArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX **ppMatrix, UINT Count) PURE;
};
typedef ID3DXConstantTable *LPD3DXCONSTANTTABLE;
ZRQ_DECLARE_UUID_OF_IID(ID3DXConstantTable);

// The caller's handler of #include directives; not a COM object (no IUnknown).
struct ID3DXInclude {
  STDMETHOD(Open)
  (D3DXINCLUDE_TYPE IncludeType, LPCSTR pFileName, LPCVOID pParentData, LPCVOID *ppData,
   UINT *pBytes) PURE;
  STDMETHOD(Close)(LPCVOID pData) PURE;
};
typedef ID3DXInclude *LPD3DXINCLUDE;

// ---- Functions --------------------------------------------------------------------------------

// A buffer of NumBytes bytes, zero-filled. D3DERR_INVALIDCALL for a null ppBuffer,
// E_OUTOFMEMORY when the bytes cannot be had.
ZRQ_D3DX_API(HRESULT) D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER *ppBuffer);

// Compiles high-level shader source (SrcDataLen bytes, no terminator needed) for the profile
// "vs_1_1", "vs_2_0" or "ps_2_0", starting at the function pFunctionName. Every out-pointer
// given is set to null first. On success *ppShader holds the tokens (with the constant table
// as a comment), *ppConstantTable the table, and *ppErrorMsgs any warnings; on failure
// *ppErrorMsgs holds the messages as "file(line,col): error Xnnnn: text" lines (the file of
// the source itself is "memory") and the status is D3DXERR_INVALIDDATA. D3DERR_INVALIDCALL
// for a null source, entry point, profile or ppShader, or for contradicting flags.
ZRQ_D3DX_API(HRESULT)
D3DXCompileShader(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO *pDefines,
                  LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags,
                  LPD3DXBUFFER *ppShader, LPD3DXBUFFER *ppErrorMsgs,
                  LPD3DXCONSTANTTABLE *ppConstantTable);

// Compiles the high-level shader source held as an RT_RCDATA resource of hSrcModule (null: the
// program's own image), as D3DXCompileShader does; messages name the source "#<id>" for an
// integer id and by its name otherwise. D3DXERR_INVALIDDATA also when the resource cannot be
// found or loaded.
ZRQ_D3DX_API(HRESULT)
D3DXCompileShaderFromResourceW(HMODULE hSrcModule, LPCWSTR pSrcResource, const D3DXMACRO *pDefines,
                               LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile,
                               DWORD Flags, LPD3DXBUFFER *ppShader, LPD3DXBUFFER *ppErrorMsgs,
                               LPD3DXCONSTANTTABLE *ppConstantTable);
// The same with a narrow resource name (or an integer id made by MAKEINTRESOURCEA).
ZRQ_D3DX_API(HRESULT)
D3DXCompileShaderFromResourceA(HMODULE hSrcModule, LPCSTR pSrcResource, const D3DXMACRO *pDefines,
                               LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile,
                               DWORD Flags, LPD3DXBUFFER *ppShader, LPD3DXBUFFER *ppErrorMsgs,
                               LPD3DXCONSTANTTABLE *ppConstantTable);
// The platform is wide-character throughout, as a Windows build with UNICODE defined.
#define D3DXCompileShaderFromResource D3DXCompileShaderFromResourceW

// Assembles shader assembly text (the disassembler's spelling: a version line such as vs_1_1,
// then one declaration, definition or instruction a line; ';' and '//' start comments) after
// the same preprocessing as the compiler's. Messages and statuses as for D3DXCompileShader.
ZRQ_D3DX_API(HRESULT)
D3DXAssembleShader(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO *pDefines,
                   LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXBUFFER *ppShader,
                   LPD3DXBUFFER *ppErrorMsgs);

// The assembly text of shader tokens, NUL-terminated, with the constant table listed as a
// comment and pComments (when not null) heading it. Colour coding is not offered:
// EnableColorCode is ignored. D3DXERR_INVALIDDATA for tokens that do not decode.
ZRQ_D3DX_API(HRESULT)
D3DXDisassembleShader(const DWORD *pShader, BOOL EnableColorCode, LPCSTR pComments,
                      LPD3DXBUFFER *ppDisassembly);

// The version token of a shader (0 for null), and its size in bytes up to and including the
// end token (0 when none is found).
ZRQ_D3DX_API(DWORD) D3DXGetShaderVersion(const DWORD *pFunction);
ZRQ_D3DX_API(UINT) D3DXGetShaderSize(const DWORD *pFunction);

// A constant table object over the shader's constant-table comment. D3DXERR_INVALIDDATA when
// there is none or it is damaged.
ZRQ_D3DX_API(HRESULT)
D3DXGetShaderConstantTable(const DWORD *pFunction, LPD3DXCONSTANTTABLE *ppConstantTable);
