#include "host/control_descriptions.h"

#include <algorithm>
#include <iterator>

namespace zelrender {
namespace {

// In the module's order. Lengths are in pixels of the composition, like its camera's; a
// "percent" control scales something by its value / 100.
constexpr ControlDescription kDescriptions[] = {
    {"Position XY", "Where the centre of the surface lies, in pixels of the layer (x right, y "
                    "down); the layer's centre by default"},
    {"Position Z", "Moves the surface away from the camera (positive) or towards it, in pixels"},
    {"Rotate X", "Turns the surface about its horizontal axis, in degrees"},
    {"Rotate Y", "Turns the surface about its vertical axis, in degrees"},
    {"Rotate Z", "Turns the surface in its own plane, in degrees"},
    {"Vertices X", "Vertices across the grid: more gives finer detail and slower frames (count)"},
    {"Vertices Y", "Vertices down the grid: more gives finer detail and slower frames (count)"},
    {"Size X", "Width of the flat grid before the noise displaces it, in pixels"},
    {"Size Y", "Height of the flat grid before the noise displaces it, in pixels"},
    {"X Step", "Draws only every Nth column of cells, for a striped surface; 1 draws them all"},
    {"Y Step", "Draws only every Nth row of cells, for a striped surface; 1 draws them all"},
    {"Bend X", "Rolls the grid about its horizontal axis before the noise, in half turns per "
               "200 pixels: 2 closes a 200-pixel grid into a tube"},
    {"Bend Y", "Rolls the grid about its vertical axis before the noise, in half turns per "
               "200 pixels: 2 closes a 200-pixel grid into a tube"},
    {"Reduce Geometry", "Draws fewer vertices than asked: \"Auto\" follows the render's "
                        "downsampling, \"2x\", \"4x\" and \"16x\" divide both counts"},
    {"Tessalate", "Builds the grid from \"Triangles\" or \"Quads\"; \"Quads\" with the \"Flat\" "
                  "shader shades each quad as one face"},
    {"Fractal Type", "How the octaves combine: \"Regular\" adds them, \"SmoothRidge\" turns each "
                     "into rounded ridges, the \"Multi\" kinds let coarse bumps gate finer ones"},
    {"Amplitude", "Height of the noise's bumps, in pixels, before the per-axis shares of "
                  "\"Amplitude X\", \"Y\" and \"Z\""},
    {"Frequency", "Fineness of the noise: its bumps lie about 100000 / Frequency pixels apart "
                  "(125 at the default 800)"},
    {"Evolution", "Changes the noise's shape where it stands; animate it for a flowing surface "
                  "(pixels through the noise's fourth dimension)"},
    {"Offset X", "Slides the noise pattern sideways under the grid, in pixels"},
    {"Offset Y", "Slides the noise pattern up and down under the grid, in pixels"},
    {"Offset Z", "Moves through the noise in depth, which changes the pattern, in pixels"},
    {"Scroll X", "Slides the pattern sideways like \"Offset X\", keeping each vertex on the same "
                 "points of the noise so that fine detail does not shimmer, in pixels"},
    {"Scroll Y", "Slides the pattern up and down like \"Offset Y\", keeping each vertex on the "
                 "same points of the noise so that fine detail does not shimmer, in pixels"},
    {"Complexity", "Octaves of noise added up: each adds finer detail and costs time (count, 0 "
                   "to 10)"},
    {"Oct Scale", "How much finer each octave is than the one before (frequency factor)"},
    {"Oct Mult", "How strong each octave is next to the one before (amplitude factor): lower is "
                 "smoother"},
    {"FBend X", "Rolls the surface about its horizontal axis after the noise, bumps and all, in "
                "half turns per 200 pixels"},
    {"FBend Y", "Rolls the surface about its vertical axis after the noise, bumps and all, in "
                "half turns per 200 pixels"},
    {"Smoothen Normals", "Widens the step over which the shading's slope is measured, smoothing "
                         "the light on fine detail (factor, 1 is exact)"},
    {"Amplitude Layer", "An image whose brightness scales the bumps across the grid: black "
                        "flattens, white keeps them whole"},
    {"Loop Setup Helper", "The button \"Set End Frame\": fills the four Loop controls with how "
                          "far the noise has moved from time 0 to the current time"},
    {"Loop Evolution", "\"Evolution\" travelled over one loop: the noise returns to its start "
                       "after it; the four Loop controls at 0 turn looping off"},
    {"Loop X", "\"Offset X\" plus \"Scroll X\" travelled over one loop, in pixels"},
    {"Loop Y", "\"Offset Y\" plus \"Scroll Y\" travelled over one loop, in pixels"},
    {"Loop Z", "\"Offset Z\" travelled over one loop, in pixels"},
    {"Z Range", "Bounds the bumps' height: \"Unlimited\", \"Limit\" cuts them at \"Z Min\" and "
                "\"Z Max\", \"Compress\" squeezes them in between"},
    {"Z Min", "Lowest height the bumps reach under \"Limit\" or \"Compress\", in units of "
              "\"Amplitude\""},
    {"Z Max", "Highest height the bumps reach under \"Limit\" or \"Compress\", in units of "
              "\"Amplitude\""},
    {"Z Lift", "Raises every bump by this much, in units of \"Amplitude\""},
    {"Amplitude X", "Share of \"Amplitude\" that moves vertices sideways, percent"},
    {"Amplitude Y", "Share of \"Amplitude\" that moves vertices up and down, percent"},
    {"Amplitude Z", "Share of \"Amplitude\" that moves vertices in depth, the bumps' height, "
                    "percent"},
    {"Frequency X", "Fineness of the noise across, percent of \"Frequency\""},
    {"Frequency Y", "Fineness of the noise down, percent of \"Frequency\""},
    {"Frequency Z", "Fineness of the noise that sets the bumps' height, percent of \"Frequency\""},
    {"Shader", "\"Density\" shades by how stretched the surface is and how it faces you, "
               "\"Phong\" lights it smoothly, \"Flat\" lights each face evenly"},
    {"Draw", "What is drawn: the surface filled, its grid as lines, its vertices as dots, or "
             "front faces filled and back faces as lines"},
    {"Line Size", "Width of the lines of \"Wireframe\" and \"Front Fill, Back Wire\", in pixels"},
    {"Point Size", "Size of the dots of \"Points\", in pixels"},
    {"Blend", "How overlapping parts combine: \"Off\" covers, \"Normal\" by opacity, \"Add\" "
              "adds light, \"Super Add\" adds and leaves the frame opaque"},
    {"DepthBuf", "\"On\" hides what lies behind nearer parts; \"Off\" draws every part, to be "
                 "combined by \"Blend\""},
    {"Density Affect", "How much stretching darkens the \"Density\" shader, percent"},
    {"Normal Affect", "How much facing away from you darkens the \"Density\" shader, percent"},
    {"Multisample", "Samples per pixel for smooth edges, rounded down to a power of two; 0 or 1 "
                    "for none; the driver may allow fewer (count)"},
    {"Second Pass", "\"Wireframe\" draws the grid's lines again on top, in \"SP Color\""},
    {"SP Line Size", "Width of the second pass's lines, in pixels"},
    {"SP Color", "Colour of the second pass's lines"},
    {"Ambient Occlusion", "Darkens creases and hollows; the \"Dither\" kinds vary the sampling, "
                          "trading banding for grain"},
    {"AO Intensity", "Strength of the occlusion's darkening (factor)"},
    {"AO Radius", "How far around each pixel occlusion is looked for, in pixels at the default "
                  "camera's distance"},
    {"AO Lift", "Leaves shallow creases out of the occlusion: higher ignores more (0 to 1)"},
    {"AO Scale", "How fast occlusion fades with distance (factor)"},
    {"Color", "Colour of the surface, multiplied by its texture and its lights"},
    {"Nudge Colors", "Brightness of each cell's far corners next to its first, percent: 100 "
                     "keeps the colour even, other values give a woven look"},
    {"Opacity", "Opacity of the surface, percent"},
    {"Ambient", "Strength of the composition's ambient light on the surface, percent (white "
                "light when the composition has no lights)"},
    {"Diffuse", "Strength of the lights' matte shading, percent"},
    {"Specular", "Strength of the lights' highlights under \"Phong\" and \"Flat\", percent"},
    {"Specular Shininess", "Tightness of the highlights: higher gives smaller, sharper ones "
                           "(exponent)"},
    {"Falloff", "How light weakens with distance: \"None\", \"Smooth\" fades it out over "
                "\"Distance\", \"Distance Squared\" by the inverse square"},
    {"Radius", "Distance from a light within which it shines at full strength, in pixels"},
    {"Distance", "Distance past \"Radius\" over which a light fades out under \"Smooth\", in "
                 "pixels"},
    {"Texture Layer", "An image laid over the surface as its texture"},
    {"Texture Filter", "How the texture is read: \"Nearest\" sharp texels, \"Linear\" smoothed, "
                       "\"Solid Face\" one colour per face"},
    {"Anisotropic", "Sharpness of the texture seen at a slant, percent of what the driver "
                    "offers"},
    {"Texture Coordinates", "\"Regular(X,Y)\" lays the image flat over the grid; \"X,Noise Z\" "
                            "takes its vertical coordinate from the bumps' height"},
    {"Texture Scale X", "Times the image repeats across the grid (factor; above 1 it tiles)"},
    {"Texture Scale Y", "Times the image repeats down the grid, or how far it stretches over the "
                        "height under \"X,Noise Z\" (factor)"},
    {"Instances", "Copies of the surface drawn, each moved from the one before (count)"},
    {"R Opacity", "Opacity of each copy next to the one before, percent"},
    {"R Scale", "Size of each copy next to the one before, percent"},
    {"R Rotate X", "Turn of each copy about the horizontal axis from the one before, in degrees"},
    {"R Rotate Y", "Turn of each copy about the vertical axis from the one before, in degrees"},
    {"R Rotate Z", "Turn of each copy in its plane from the one before, in degrees"},
    {"R Translate X", "Shift of each copy sideways from the one before, in pixels"},
    {"R Translate Y", "Shift of each copy up or down from the one before, in pixels"},
    {"R Translate Z", "Shift of each copy in depth from the one before, in pixels"},
    {"Near", "Distance from the camera where drawing starts; nearer parts are cut off, in "
             "pixels"},
    {"Far", "Distance from the camera past which nothing is drawn, in pixels"},
    {"Fog Start", "Distance from the camera where fog begins, in pixels"},
    {"Fog End", "Distance from the camera where fog hides the surface in \"Fog Color\", in "
                "pixels"},
    {"Fog Color", "Colour the surface fades into with distance"},
    {"Memory Check", "Refuses a frame that needs more video memory than this: \"Auto\" what the "
                     "driver reports, \"Off\" never, or a size"},
};

}  // namespace

std::span<const ControlDescription> controlDescriptions()
{
    return kDescriptions;
}

std::string_view controlDescription(std::string_view controlName)
{
    const auto* found = std::ranges::find(kDescriptions, controlName, &ControlDescription::name);
    return found == std::end(kDescriptions) ? std::string_view() : found->text;
}

}  // namespace zelrender
