#include "tools/picturegen/interface_painters.h"

namespace PictureGen {

void PaintHud(PictureSink& /*sink*/) {}

}  // namespace PictureGen
