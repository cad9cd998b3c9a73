// Fog of the surface pass, shared with the occlusion pass so that occlusion fades out with it.
uniform float FogDistance;
uniform float divFogRange;

// 1 keeps the colour, 0 is full fog; falls off as a Gaussian of the eye distance past FogDistance.
float fogFactor(float eyeZ)
{
    float z = max(0.0, 2.5 * (-eyeZ - FogDistance) * divFogRange);
    return clamp(exp(-z * z), 0.0, 1.0);
}
