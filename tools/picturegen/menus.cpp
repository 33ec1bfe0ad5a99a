#include "tools/picturegen/interface_painters.h"

namespace PictureGen {

void PaintMenus(PictureSink& /*sink*/) {}

}  // namespace PictureGen
