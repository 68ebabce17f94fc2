#include "render/scene_objects.h"

namespace zolvane {

// Drawing arrives with the models and the device; until then objects draw nothing.
void TModel::Draw() {}
void TBrick::Draw() {}
void TFigure::Draw() {}

}  // namespace zolvane
