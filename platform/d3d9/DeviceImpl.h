// The software Direct3D 9 device: every object it makes and the state they share.
//
// Lifetime follows Direct3D 9: an object handed out holds a reference to its device while
// anyone holds a reference to it; the device and state blocks keep the objects bound to them
// alive with internal references that do not count toward what Release returns. Surfaces of a
// texture share the texture's count; the back buffer and the automatic depth-stencil surface
// belong to the device.
#pragma once

#include <d3d9.h>
#include <zrqd3d9ext.h>

#include "platform/d3d9/DeferredDepth.h"
#include "platform/d3d9/ShaderProgram.h"

#include <algorithm>
#include <atomic>
#include <bitset>
#include <cstring>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace zrq::d3d9 {

class Device;
class Direct3D9;
class Texture;
class Surface;
class VertexBuffer;
class IndexBuffer;
class StateBlock;
class VertexDeclaration;
class VertexShader;
class PixelShader;

// ---- Pixel memory ----------------------------------------------------------------------------

// Bytes per pixel of the formats the device stores; 0 for formats it cannot hold.
UINT BytesPerPixel(D3DFORMAT format);
bool IsDepthFormat(D3DFORMAT format);
bool HasStencil(D3DFORMAT format);

// The pixels of one surface. Depth formats are held as 32-bit words: depth in the high 24 bits,
// stencil in the low 8, whatever the format's own layout.
struct PixelBuffer {
  UINT width = 0;
  UINT height = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  UINT pitch = 0;
  std::unique_ptr<uint8_t[]> bits;

  uint8_t *Row(UINT y) const { return bits.get() + static_cast<size_t>(y) * pitch; }
  size_t ByteSize() const { return static_cast<size_t>(pitch) * height; }
};

// Sets n words to `value`; one byte four times over goes through memset, which fills fastest.
inline void FillWords(uint32_t *words, size_t n, uint32_t value) {
  if ((value & 0xFF) * 0x01010101u == value)
    std::memset(words, static_cast<int>(value & 0xFF), n * sizeof(uint32_t));
  else
    std::fill(words, words + n, value);
}

// Allocates zeroed pixels; E_OUTOFMEMORY when the allocation or the device's budget fails.
HRESULT AllocatePixels(Device *device, UINT width, UINT height, D3DFORMAT format, PixelBuffer *out);

// ---- Lifetime --------------------------------------------------------------------------------

// The two counts of a device child. Public references are the COM ones; while there is at least
// one, the child holds a reference to its device. Internal references are the device's and
// state blocks' bindings. The child is destroyed when both reach zero, unless its container
// (a texture, or the device itself) owns it.
class DeviceChild {
public:
  enum class Owner { Self, Device, Container };

  DeviceChild(Device *device, Owner owner, DeviceChild *container = nullptr);
  virtual ~DeviceChild() = default;
  DeviceChild(const DeviceChild &) = delete;
  DeviceChild &operator=(const DeviceChild &) = delete;

  ULONG PublicAddRef();
  ULONG PublicRelease();
  void InternalAddRef();
  void InternalRelease();
  Device *OwningDevice() const { return device_; }
  // Called by the device when it is destroyed, for children it owns.
  ULONG PublicCount() const { return publicRefs_.load(); }

private:
  void DestroyIfUnused();

  Device *device_;
  Owner owner_;
  DeviceChild *container_;
  std::atomic<ULONG> publicRefs_{0};
  std::atomic<ULONG> internalRefs_{0};
};

// An internal reference to a device child, as held by bound state.
template <typename T> class Bound {
public:
  Bound() = default;
  explicit Bound(T *p) : p_(p) {
    if (p_) p_->InternalAddRef();
  }
  Bound(const Bound &o) : Bound(o.p_) {}
  Bound &operator=(const Bound &o) {
    Reset(o.p_);
    return *this;
  }
  ~Bound() { Reset(nullptr); }
  void Reset(T *p) {
    if (p) p->InternalAddRef();
    T *old = p_;
    p_ = p;
    if (old) old->InternalRelease();
  }
  T *get() const { return p_; }
  T *operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

private:
  T *p_ = nullptr;
};

// ---- Resources -------------------------------------------------------------------------------

// IUnknown and IDirect3DResource9 for the resource classes.
template <typename Interface> class ResourceBase : public Interface, public DeviceChild {
public:
  ResourceBase(Device *device, Owner owner, DeviceChild *container = nullptr)
      : DeviceChild(device, owner, container) {}
  STDMETHODIMP_(ULONG) AddRef() override { return PublicAddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return PublicRelease(); }
  STDMETHODIMP GetDevice(IDirect3DDevice9 **ppDevice) override;
  STDMETHODIMP SetPrivateData(REFGUID, const void *, DWORD, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetPrivateData(REFGUID, void *, DWORD *) override { return D3DERR_NOTFOUND; }
  STDMETHODIMP FreePrivateData(REFGUID) override { return D3DERR_NOTFOUND; }
  STDMETHODIMP_(DWORD) SetPriority(DWORD p) override { return priority_.exchange(p); }
  STDMETHODIMP_(DWORD) GetPriority() override { return priority_.load(); }
  STDMETHODIMP_(void) PreLoad() override {}

private:
  std::atomic<DWORD> priority_{0};
};

class Surface final : public ResourceBase<IDirect3DSurface9> {
public:
  Surface(Device *device, Owner owner, Texture *container, DWORD usage, D3DPOOL pool,
          PixelBuffer pixels);
  ~Surface() override;

  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
  STDMETHODIMP_(D3DRESOURCETYPE) GetType() override { return D3DRTYPE_SURFACE; }
  STDMETHODIMP GetContainer(REFIID riid, void **ppContainer) override;
  STDMETHODIMP GetDesc(D3DSURFACE_DESC *pDesc) override;
  STDMETHODIMP LockRect(D3DLOCKED_RECT *pLockedRect, const RECT *pRect, DWORD Flags) override;
  STDMETHODIMP UnlockRect() override;
  STDMETHODIMP GetDC(HDC *) override { return D3DERR_INVALIDCALL; }
  STDMETHODIMP ReleaseDC(HDC) override { return D3DERR_INVALIDCALL; }

  static Surface *From(IDirect3DSurface9 *p) { return dynamic_cast<Surface *>(p); }
  PixelBuffer &Pixels() { return pixels_; }
  const PixelBuffer &Pixels() const { return pixels_; }
  DWORD Usage() const { return usage_; }
  D3DPOOL Pool() const { return pool_; }
  bool Locked() const { return locked_; }
  // What a depth-stencil surface's words hold without being in memory (see DeferredDepth).
  DeferredDepth &HeldDepth() { return heldDepth_; }

private:
  Texture *container_;
  DWORD usage_;
  D3DPOOL pool_;
  PixelBuffer pixels_;
  DeferredDepth heldDepth_{pixels_};
  bool locked_ = false;
};

class Texture final : public ResourceBase<IDirect3DTexture9> {
public:
  Texture(Device *device, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  // Allocates the levels; E_OUTOFMEMORY when that fails.
  HRESULT Init(UINT width, UINT height, UINT levels);

  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
  STDMETHODIMP_(D3DRESOURCETYPE) GetType() override { return D3DRTYPE_TEXTURE; }
  STDMETHODIMP_(DWORD) SetLOD(DWORD) override { return 0; }
  STDMETHODIMP_(DWORD) GetLOD() override { return 0; }
  STDMETHODIMP_(DWORD) GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
  STDMETHODIMP SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return D3D_OK; }
  STDMETHODIMP_(D3DTEXTUREFILTERTYPE) GetAutoGenFilterType() override { return D3DTEXF_LINEAR; }
  STDMETHODIMP_(void) GenerateMipSubLevels() override {}
  STDMETHODIMP GetLevelDesc(UINT Level, D3DSURFACE_DESC *pDesc) override;
  STDMETHODIMP GetSurfaceLevel(UINT Level, IDirect3DSurface9 **ppSurfaceLevel) override;
  STDMETHODIMP LockRect(UINT Level, D3DLOCKED_RECT *pLockedRect, const RECT *pRect,
                        DWORD Flags) override;
  STDMETHODIMP UnlockRect(UINT Level) override;
  STDMETHODIMP AddDirtyRect(const RECT *) override { return D3D_OK; }

  static Texture *From(IDirect3DBaseTexture9 *p) { return dynamic_cast<Texture *>(p); }
  Surface *Level(UINT i) const { return i < levels_.size() ? levels_[i].get() : nullptr; }
  DWORD Usage() const { return usage_; }
  D3DPOOL Pool() const { return pool_; }
  D3DFORMAT Format() const { return format_; }

private:
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  std::vector<std::unique_ptr<Surface>> levels_;
};

// Bytes of a vertex or index buffer, with Direct3D 9's nested locks.
class BufferStorage {
public:
  HRESULT Init(Device *device, UINT size);
  HRESULT Lock(UINT offset, UINT size, void **ppbData);
  HRESULT Unlock();
  const uint8_t *Data() const { return bytes_.get(); }
  UINT Size() const { return size_; }
  ~BufferStorage();

private:
  Device *device_ = nullptr;
  std::unique_ptr<uint8_t[]> bytes_;
  UINT size_ = 0;
  std::atomic<UINT> lockCount_{0};
};

// What vertex and index buffers share: their bytes with nested locks, the calls on them and
// the interfaces they answer. They differ only in how they describe themselves.
template <class Interface, D3DRESOURCETYPE kType>
class BufferResource : public ResourceBase<Interface> {
public:
  BufferResource(Device *device, DWORD usage, D3DPOOL pool, const char *lockCallName)
      : ResourceBase<Interface>(device, DeviceChild::Owner::Self), usage_(usage), pool_(pool),
        lockCallName_(lockCallName) {}
  HRESULT Init(UINT size) { return storage_.Init(this->OwningDevice(), size); }

  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
  STDMETHODIMP_(D3DRESOURCETYPE) GetType() override { return kType; }
  STDMETHODIMP Lock(UINT OffsetToLock, UINT SizeToLock, void **ppbData, DWORD Flags) override;
  STDMETHODIMP Unlock() override { return storage_.Unlock(); }

  const BufferStorage &Storage() const { return storage_; }

protected:
  DWORD usage_;
  D3DPOOL pool_;
  BufferStorage storage_;

private:
  const char *lockCallName_;
};

class VertexBuffer final : public BufferResource<IDirect3DVertexBuffer9, D3DRTYPE_VERTEXBUFFER> {
public:
  VertexBuffer(Device *device, DWORD usage, DWORD fvf, D3DPOOL pool);
  STDMETHODIMP GetDesc(D3DVERTEXBUFFER_DESC *pDesc) override;
  static VertexBuffer *From(IDirect3DVertexBuffer9 *p) { return dynamic_cast<VertexBuffer *>(p); }

private:
  DWORD fvf_;
};

class IndexBuffer final : public BufferResource<IDirect3DIndexBuffer9, D3DRTYPE_INDEXBUFFER> {
public:
  IndexBuffer(Device *device, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  STDMETHODIMP GetDesc(D3DINDEXBUFFER_DESC *pDesc) override;
  static IndexBuffer *From(IDirect3DIndexBuffer9 *p) { return dynamic_cast<IndexBuffer *>(p); }
  D3DFORMAT Format() const { return format_; }

private:
  D3DFORMAT format_;
};

// ---- Vertex layouts --------------------------------------------------------------------------

// Where one vertex attribute is read from.
struct AttributeSource {
  int stream = -1; // -1: the vertex has no such attribute
  UINT offset = 0;
  BYTE type = D3DDECLTYPE_UNUSED;
};

inline constexpr int kMaxTexCoords = 8;

struct VertexLayout {
  AttributeSource position;
  bool pretransformed = false; // position is screen x, y, z and 1/w
  AttributeSource normal;
  AttributeSource diffuse;
  AttributeSource specular;
  AttributeSource texCoord[kMaxTexCoords];
};

// The layout of a flexible vertex format; false when the format has no usable position.
bool LayoutFromFVF(DWORD fvf, VertexLayout *layout, UINT *stride = nullptr);
UINT StrideOfFVF(DWORD fvf);
// The layout of a declaration's elements (up to the end marker); false when invalid.
bool LayoutFromElements(const D3DVERTEXELEMENT9 *elements, UINT count, VertexLayout *layout);
// Bytes the attribute type takes; 0 for an unknown type.
UINT SizeOfDeclType(BYTE type);
// Reads one attribute as four floats; absent components are (0, 0, 0, 1).
void ReadAttribute(const uint8_t *p, BYTE type, float out[4]);

class VertexDeclaration final : public IDirect3DVertexDeclaration9, public DeviceChild {
public:
  VertexDeclaration(Device *device, std::vector<D3DVERTEXELEMENT9> elements,
                    const VertexLayout &layout);
  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return PublicAddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return PublicRelease(); }
  STDMETHODIMP GetDevice(IDirect3DDevice9 **ppDevice) override;
  STDMETHODIMP GetDeclaration(D3DVERTEXELEMENT9 *pElement, UINT *pNumElements) override;

  static VertexDeclaration *From(IDirect3DVertexDeclaration9 *p) {
    return dynamic_cast<VertexDeclaration *>(p);
  }
  const VertexLayout &Layout() const { return layout_; }

private:
  std::vector<D3DVERTEXELEMENT9> elements_; // with the end marker
  VertexLayout layout_;
};

// ---- Shaders ---------------------------------------------------------------------------------

template <typename Interface> class ShaderObject final : public Interface, public DeviceChild {
public:
  ShaderObject(Device *device, std::vector<DWORD> tokens, ShaderProgram program)
      : DeviceChild(device, Owner::Self), tokens_(std::move(tokens)), program_(std::move(program)) {
  }
  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return PublicAddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return PublicRelease(); }
  STDMETHODIMP GetDevice(IDirect3DDevice9 **ppDevice) override;
  STDMETHODIMP GetFunction(void *pData, UINT *pSizeOfData) override;

  static ShaderObject *From(Interface *p) { return dynamic_cast<ShaderObject *>(p); }
  // The tokens as the device runs them.
  const ShaderProgram &Program() const { return program_; }

private:
  std::vector<DWORD> tokens_;
  ShaderProgram program_;
};
class VertexShader;
class PixelShader;
using VertexShaderObject = ShaderObject<IDirect3DVertexShader9>;
using PixelShaderObject = ShaderObject<IDirect3DPixelShader9>;

// Copies a shader's tokens up to and including the end token; false when the version token
// is not of the expected kind (vertex 0xFFFE, pixel 0xFFFF) or no end token is found.
bool CopyShaderTokens(const DWORD *function, DWORD versionKind, std::vector<DWORD> *tokens);

// ---- Device state ----------------------------------------------------------------------------

inline constexpr int kRenderStateCount = 256;
inline constexpr int kStageCount = 8;
inline constexpr int kStageStateCount = 33;
inline constexpr int kSamplerCount = 21; // 0-15, the displacement map sampler, 4 vertex samplers
inline constexpr int kSamplerStateCount = 14;
inline constexpr int kTransformCount = 512;
inline constexpr int kStreamCount = 16;
inline constexpr int kClipPlaneCount = 6;
inline constexpr int kVsConstF = 256;
inline constexpr int kPsConstF = 224;
inline constexpr int kConstI = 16;
inline constexpr int kConstB = 16;
inline constexpr DWORD kMaxLightIndex = 0x7FFFFFFF;

// The index into the sampler arrays of a Direct3D sampler number; -1 when invalid.
int SamplerSlot(DWORD sampler);
// Whether a transform-state number names a transform the device keeps.
bool ValidTransform(D3DTRANSFORMSTATETYPE t);

struct LightSlot {
  D3DLIGHT9 light;
  BOOL enabled = FALSE;
};

struct StreamSource {
  Bound<VertexBuffer> buffer;
  UINT offset = 0;
  UINT stride = 0;
  UINT frequency = 1;
};

struct DeviceState {
  DWORD renderStates[kRenderStateCount] = {};
  DWORD stageStates[kStageCount][kStageStateCount] = {};
  DWORD samplerStates[kSamplerCount][kSamplerStateCount] = {};
  D3DMATRIX transforms[kTransformCount] = {};
  D3DMATERIAL9 material = {};
  std::map<DWORD, LightSlot> lights;
  Bound<Texture> textures[kSamplerCount];
  StreamSource streams[kStreamCount];
  Bound<IndexBuffer> indices;
  DWORD fvf = 0;
  Bound<VertexDeclaration> declaration;
  Bound<VertexShaderObject> vertexShader;
  Bound<PixelShaderObject> pixelShader;
  D3DVIEWPORT9 viewport = {};
  RECT scissor = {};
  float clipPlanes[kClipPlaneCount][4] = {};
  float vsConstF[kVsConstF][4] = {};
  int vsConstI[kConstI][4] = {};
  BOOL vsConstB[kConstB] = {};
  float psConstF[kPsConstF][4] = {};
  int psConstI[kConstI][4] = {};
  BOOL psConstB[kConstB] = {};
};

// Which parts of DeviceState a state block holds.
struct StateMask {
  std::bitset<kRenderStateCount> renderStates;
  std::bitset<kStageCount * kStageStateCount> stageStates;
  std::bitset<kSamplerCount * kSamplerStateCount> samplerStates;
  std::bitset<kTransformCount> transforms;
  bool material = false;
  std::vector<DWORD> lights; // indices whose light and enable are held
  std::bitset<kSamplerCount> textures;
  std::bitset<kStreamCount> streams;
  bool indices = false;
  bool vertexFormat = false; // FVF and declaration together
  bool vertexShader = false;
  bool pixelShader = false;
  bool viewport = false;
  bool scissor = false;
  std::bitset<kClipPlaneCount> clipPlanes;
  std::bitset<kVsConstF> vsConstF;
  std::bitset<kConstI> vsConstI;
  std::bitset<kConstB> vsConstB;
  std::bitset<kPsConstF> psConstF;
  std::bitset<kConstI> psConstI;
  std::bitset<kConstB> psConstB;

  void AddLight(DWORD index);
  static StateMask ForType(D3DSTATEBLOCKTYPE type, const DeviceState &current);
};

// Copies the parts of src that mask names into dst.
void CopyState(DeviceState &dst, const DeviceState &src, const StateMask &mask);
// The state of a newly created device.
void SetDefaultState(DeviceState &state, bool autoDepthStencil, UINT width, UINT height);

class StateBlock final : public IDirect3DStateBlock9, public DeviceChild {
public:
  StateBlock(Device *device, StateMask mask);
  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return PublicAddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return PublicRelease(); }
  STDMETHODIMP GetDevice(IDirect3DDevice9 **ppDevice) override;
  STDMETHODIMP Capture() override;
  STDMETHODIMP Apply() override;

  DeviceState &State() { return state_; }
  StateMask &Mask() { return mask_; }

private:
  DeviceState state_;
  StateMask mask_;
};

// ---- Call recorder ---------------------------------------------------------------------------

class CallRecorder {
public:
  bool On() const { return on_; }
  void Start();
  void Stop() { on_ = false; }
  void Clear();
  // Records a call; text is printf-style for the arguments after the method name.
  void Record(const char *method, std::initializer_list<DWORD> args, const void *object,
              HRESULT result, const char *format, ...) __attribute__((format(printf, 6, 7)));
  UINT Copy(ZRQ_D3D9_CALL *out, UINT capacity) const;

private:
  bool on_ = false;
  mutable std::mutex mutex_;
  std::vector<ZRQ_D3D9_CALL> calls_;
};

inline DWORD FloatBits(float f) {
  DWORD d;
  static_assert(sizeof d == sizeof f);
  __builtin_memcpy(&d, &f, sizeof d);
  return d;
}
inline float BitsFloat(DWORD d) {
  float f;
  __builtin_memcpy(&f, &d, sizeof f);
  return f;
}

} // namespace zrq::d3d9
