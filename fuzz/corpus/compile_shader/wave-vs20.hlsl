1#define Wave main
// The wave, on the device: every vertex moves up or down along a sine across the picture's
// width, and the picture is squeezed so that the waving edges stay inside its unwaved height.
// The effect value sets both the depth of the wave (proportional) and its length (the number of
// half-waves grows as the value shrinks).

float4x4 mWorldViewProj;
float fEffectValue;
float fWaveHeight;
float fObjectHeight;

struct WaveVertex {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
};

WaveVertex Wave(WaveVertex input)
{
    float depth = fEffectValue * fWaveHeight;
    // At value 0 the wave length is unbounded. The angle is kept finite there, so the zero depth
    // multiplies a finite sine and the picture stays flat instead of turning into 0 * infinity.
    float angle = 3.0 * 3.1415926 / max(fEffectValue, 1.0e-6);
    float offset = depth * sin(input.position.x * angle);

    float4 position = input.position;
    position.y = position.y * (fObjectHeight - 2.0 * depth) / fObjectHeight + offset;

    WaveVertex output;
    output.position = mul(position, mWorldViewProj);
    output.texCoord = input.texCoord;
    return output;
}
