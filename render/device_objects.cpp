#include "render/device_objects.h"

namespace zolvane {

D3DObjects D3D;

}  // namespace zolvane
