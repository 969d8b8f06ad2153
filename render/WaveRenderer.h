// "Wave": the picture drawn on a strip mesh whose height follows a sine across the picture's
// width, squeezed so that the waving edges stay inside its unwaved height. The effect value sets
// the depth of the wave (proportional) and its length (half-waves proportional to 1 / value).
// On a device that runs vertex shader 1.1 and with a shader compiler at hand the vertices move
// on the device; otherwise they are moved here every frame. Panels and the shared draw are not
// used.
#pragma once

#include <d3dx9.h>

#include <mutex>

#include "render/DistortionRenderer.h"

class WaveRenderer : public DistortionRenderer {
public:
  WaveRenderer();

  // Builds the mesh and, where the device runs vertex shaders, the shader with its constants.
  // E_FAIL without a device or when a buffer cannot be made; the failure of a buffer lock, of
  // reading the device's transforms or of setting the shader's constants. A shader that cannot
  // be compiled or created is no failure: the mesh is then moved here.
  HRESULT Attach(IDirect3DDevice9 *newDevice, float aspect) override;

  // Moves the mesh's rows for the current effect value, unless the shader does it.
  HRESULT UpdateGeometry() override;

  // Hands the effect value to the shader, where there is one; S_OK otherwise.
  HRESULT SetTime(double time) override;

  // Keeps the value (held to 0..1); E_POINTER for null.
  HRESULT SetEffectValue(const double *value, INT size) override;

  // Clears the whole target to transparent black and draws the waved picture (textures[0]).
  HRESULT Render(IDirect3DTexture9 *const *textures, INT textureCount) override;

  static constexpr UINT kColumns = 128;
  static constexpr UINT kMeshVertices = 2 * kColumns;
  static constexpr UINT kMeshIndices = 6 * (kColumns - 1);

protected:
  // The mesh in fresh buffers: two rows of 128 vertices, bottom row first, and 127 quads.
  HRESULT BuildMesh();
  // The vertex shader, its declaration and its constants, made anew for the attached device.
  HRESULT BuildShader();
  // The shader is used only once it exists; until then, and for good if it cannot be made, the
  // mesh is moved here.
  bool ShaderPath() const { return useVertexShader && vertexShader && constantTable; }

  double effectValue = 0.0;
  std::mutex drawLock;
  int meshVertexCount = 0;
  int meshIndexCount = 0;
  CComPtr<IDirect3DVertexShader9> vertexShader;
  CComPtr<ID3DXConstantTable> constantTable;
  CComPtr<IDirect3DVertexDeclaration9> vertexDeclaration;
  bool useVertexShader = false;
};
