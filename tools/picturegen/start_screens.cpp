#include "tools/picturegen/interface_painters.h"

namespace PictureGen {

void PaintStartScreens(PictureSink& /*sink*/) {}

}  // namespace PictureGen
