#include "host/composition_layers.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace zelrender {
namespace {

SpacePoint minus(const SpacePoint& a, const SpacePoint& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

SpacePoint cross(const SpacePoint& a, const SpacePoint& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double length(const SpacePoint& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

SpacePoint unit(const SpacePoint& v)
{
    const double l = length(v);
    return {v.x / l, v.y / l, v.z / l};
}

SpacePoint spaceAt(const AnimatedValue& value, double seconds)
{
    return std::get<SpacePoint>(value.at(seconds));
}

double numberAt(const AnimatedValue& value, double seconds)
{
    return std::get<double>(value.at(seconds));
}

std::string layerName(AEGP_ObjectType type)
{
    return type == AEGP_ObjectType_LIGHT    ? "a light"
           : type == AEGP_ObjectType_CAMERA ? "the camera"
                                            : "the effect's layer";
}

AEGP_StreamVal oneD(double value)
{
    AEGP_StreamVal v{};
    v.one_d = value;
    return v;
}

AEGP_StreamVal threeD(const SpacePoint& p)
{
    AEGP_StreamVal v{};
    v.three_d[0] = p.x;
    v.three_d[1] = p.y;
    v.three_d[2] = p.z;
    return v;
}

}  // namespace

AEGP_Matrix4 lookAt(const SpacePoint& position, const SpacePoint& target)
{
    constexpr double kTiny = 1e-12;
    const SpacePoint towards = minus(target, position);
    const SpacePoint z = length(towards) > kTiny ? unit(towards) : SpacePoint{0, 0, 1};
    // x = down x z is perpendicular to both; straight up or down it vanishes, and a direction
    // that is never parallel to z there takes over.
    SpacePoint x = cross({0, 1, 0}, z);
    if (length(x) <= kTiny) {
        x = cross({0, 0, -1}, z);
    }
    x = unit(x);
    const SpacePoint y = cross(z, x);
    return {{{x.x, x.y, x.z, 0},
             {y.x, y.y, y.z, 0},
             {z.x, z.y, z.z, 0},
             {position.x, position.y, position.z, 1}}};
}

CompositionLayers::CompositionLayers(const Composition& composition) : composition_(composition)
{
    layers_.push_back({AEGP_ObjectType_AV, nullptr});
    for (const Light& light : composition_.lights) {
        layers_.push_back({AEGP_ObjectType_LIGHT, &light});
    }
    if (composition_.camera) {
        layers_.push_back({AEGP_ObjectType_CAMERA, nullptr});
    }
}

CameraView CompositionLayers::camera(double seconds) const
{
    const Camera none;
    const Camera& c = composition_.camera ? *composition_.camera : none;
    const double zoom = c.zoom ? numberAt(*c.zoom, seconds) : composition_.defaultZoom();
    const SpacePoint position = c.position ? spaceAt(*c.position, seconds)
                                           : composition_.defaultCameraPosition(zoom);
    const SpacePoint target =
        c.pointOfInterest ? spaceAt(*c.pointOfInterest, seconds) : composition_.centre();
    return {lookAt(position, target), zoom};
}

AEGP_CompH CompositionLayers::comp() const
{
    return reinterpret_cast<AEGP_CompH>(reinterpret_cast<std::uintptr_t>(this));
}

void CompositionLayers::checkComp(AEGP_CompH comp) const
{
    if (comp != this->comp()) {
        throw std::invalid_argument("the composition handle is not the effect's composition");
    }
}

AEGP_LayerH CompositionLayers::at(std::int32_t index) const
{
    if (index < 0 || index >= count()) {
        throw std::out_of_range("there is no layer " + std::to_string(index) + "; they are 0 to " +
                                std::to_string(count() - 1));
    }
    return reinterpret_cast<AEGP_LayerH>(
        reinterpret_cast<std::uintptr_t>(&layers_[static_cast<std::size_t>(index)]));
}

AEGP_LayerH CompositionLayers::cameraLayer() const
{
    return composition_.camera ? at(count() - 1) : nullptr;
}

const CompositionLayers::Layer& CompositionLayers::find(AEGP_LayerH layer) const
{
    // Compared, never followed: a stray handle is refused without being read.
    for (std::int32_t i = 0; i < count(); ++i) {
        if (at(i) == layer) {
            return layers_[static_cast<std::size_t>(i)];
        }
    }
    throw std::invalid_argument(layer == nullptr ? "the layer handle is null"
                                                 : "the layer handle is none of the composition's");
}

const Light& CompositionLayers::lightOf(AEGP_LayerH layer) const
{
    const Layer& found = find(layer);
    if (found.light == nullptr) {
        throw std::invalid_argument(layerName(found.type) + " is not a light");
    }
    return *found.light;
}

AEGP_ObjectType CompositionLayers::objectType(AEGP_LayerH layer) const
{
    return find(layer).type;
}

AEGP_LightType CompositionLayers::lightType(AEGP_LayerH layer) const
{
    return lightOf(layer).type;
}

AEGP_CameraType CompositionLayers::cameraType(AEGP_LayerH layer) const
{
    const Layer& found = find(layer);
    if (found.type != AEGP_ObjectType_CAMERA) {
        throw std::invalid_argument(layerName(found.type) + " is not a camera");
    }
    return composition_.camera->type;
}

bool CompositionLayers::videoOn(AEGP_LayerH layer) const
{
    const Layer& found = find(layer);
    return found.light == nullptr || found.light->enabled;
}

double CompositionLayers::inPoint(AEGP_LayerH layer) const
{
    const Layer& found = find(layer);
    return found.light != nullptr ? found.light->inPoint : 0.0;
}

double CompositionLayers::duration(AEGP_LayerH layer) const
{
    const Layer& found = find(layer);
    const double whole = composition_.seconds(composition_.duration);
    return found.light != nullptr ? found.light->duration.value_or(whole) : whole;
}

SpacePoint CompositionLayers::position(const Layer& layer, double seconds) const
{
    switch (layer.type) {
    case AEGP_ObjectType_CAMERA: {
        const auto& row = camera(seconds).cameraToLayer.mat[3];
        return {row[0], row[1], row[2]};
    }
    case AEGP_ObjectType_LIGHT:
        return layer.light->position
                   ? spaceAt(*layer.light->position, seconds)
                   : composition_.defaultCameraPosition(composition_.defaultZoom());
    default:
        return composition_.centre();
    }
}

SpacePoint CompositionLayers::pointOfInterest(const Layer& layer, double seconds) const
{
    const Light* light = layer.light;
    const std::optional<AnimatedValue>* set = light != nullptr ? &light->pointOfInterest
                                              : layer.type == AEGP_ObjectType_CAMERA
                                                  ? &composition_.camera->pointOfInterest
                                                  : nullptr;
    return set != nullptr && *set ? spaceAt(**set, seconds) : composition_.centre();
}

AEGP_Matrix4 CompositionLayers::toWorld(AEGP_LayerH layer, double seconds) const
{
    const Layer& found = find(layer);
    switch (found.type) {
    case AEGP_ObjectType_CAMERA:
        return camera(seconds).cameraToLayer;
    case AEGP_ObjectType_LIGHT:
        return lookAt(position(found, seconds), pointOfInterest(found, seconds));
    default:
        // The effect's layer is the composition's space itself.
        return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    }
}

StreamValue CompositionLayers::stream(AEGP_LayerH layer, AEGP_LayerStream which,
                                      double seconds) const
{
    const Layer& found = find(layer);
    switch (which) {
    case AEGP_LayerStream_POSITION:
        return {threeD(position(found, seconds)), AEGP_StreamType_THREE_D};
    case AEGP_LayerStream_ANCHORPOINT:
        // A camera's or light's anchor is its point of interest.
        return {threeD(pointOfInterest(found, seconds)), AEGP_StreamType_THREE_D};
    case AEGP_LayerStream_ZOOM:
        if (found.type == AEGP_ObjectType_CAMERA) {
            return {oneD(camera(seconds).zoom), AEGP_StreamType_ONE_D};
        }
        break;
    case AEGP_LayerStream_COLOR:
        if (found.light != nullptr) {
            const Color c = std::get<Color>(found.light->color.at(seconds));
            AEGP_StreamVal v{};
            v.color = {1.0, c.red, c.green, c.blue};
            return {v, AEGP_StreamType_COLOR};
        }
        break;
    case AEGP_LayerStream_INTENSITY:
    case AEGP_LayerStream_CONE_ANGLE:
    case AEGP_LayerStream_CONE_FEATHER:
        if (found.light != nullptr) {
            const AnimatedValue& value =
                which == AEGP_LayerStream_INTENSITY    ? found.light->intensity
                : which == AEGP_LayerStream_CONE_ANGLE ? found.light->coneAngle
                                                       : found.light->coneFeather;
            return {oneD(numberAt(value, seconds)), AEGP_StreamType_ONE_D};
        }
        break;
    default:
        break;
    }
    throw std::invalid_argument(layerName(found.type) + " has no stream " + std::to_string(which) +
                                " here; position and anchor point are every layer's, zoom the "
                                "camera's, colour, intensity, cone angle and feather a light's");
}

}  // namespace zelrender
