#include "tools/picturegen/painters.h"

namespace PictureGen {

void PaintLevelArt(PictureSink& /*sink*/) {}

}  // namespace PictureGen
