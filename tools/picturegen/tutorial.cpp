#include "tools/picturegen/interface_painters.h"

namespace PictureGen {

void PaintTutorial(PictureSink& /*sink*/) {}

}  // namespace PictureGen
