// Converts the rendered image into the host's pixels.
#include "host_pixel.glsl"

void main()
{
    gl_FragColor = hostPixel(texture2D(colorTexture, gl_TexCoord[0].xy));
}
