// Phong shading shared by the light and flat sources, which differ only in the normal they use.
uniform float Specular;
uniform float Shininess;

// Shades with the unit normal myN; each light's diffuse colour tints its highlight as well.
void shadePhong(vec3 myN, vec2 texCoord)
{
    vec4 tex = surfaceTexture(texCoord);
    vec3 E = normalize(-P);
    vec3 Isum = vec3(0.0);
    for (int i = 0; i < noLights; ++i) {
        vec3 Ld = gl_LightSource[i].position.xyz - P;
        vec3 L = normalize(Ld);
        float NdotL = dot(myN, L);
        if (NdotL > 0.0) {
            vec3 lightColor = gl_LightSource[i].diffuse.rgb;
            vec3 R = normalize(-reflect(L, myN));
            vec3 Idiff = Diffuse * lightColor * NdotL;
            vec3 Ispec = Specular * lightColor * pow(max(dot(R, E), 0.0), Shininess);
            Isum += lightFalloff(Ld) * (Ispec + Idiff);
        }
    }
    Isum += Ambient.rgb;
    writeSurface(vec4(Isum, 1.0) * gl_Color * tex, myN);
}
