#include "tools/picturegen/interface_painters.h"

namespace PictureGen {

void PaintEffects(PictureSink& /*sink*/) {}

}  // namespace PictureGen
