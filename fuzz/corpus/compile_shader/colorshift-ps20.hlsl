2// The colour shift, on the device: red (and above half strength also green, at half the
// distance) is read from a displaced spot of the picture while the other channels stay put.

float fEffectValue;
float fOffsetX;
float fOffsetY;

sampler2D picture : register(s0);

float4 main(float2 t : TEXCOORD0) : COLOR
{
    float2 offset = float2(fOffsetX, fOffsetY);
    float4 colour = tex2D(picture, t);
    colour.r = tex2D(picture, t + offset).r;
    if (fEffectValue > 0.5)
        colour.g = tex2D(picture, t + offset / 2.0).g;
    return colour;
}
