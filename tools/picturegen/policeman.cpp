#include "tools/picturegen/interface_painters.h"

namespace PictureGen {

void PaintPoliceman(PictureSink& /*sink*/) {}

}  // namespace PictureGen
