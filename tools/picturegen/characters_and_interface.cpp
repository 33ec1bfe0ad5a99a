#include "tools/picturegen/painters.h"

namespace PictureGen {

void PaintCharactersAndInterface(PictureSink& /*sink*/) {}

}  // namespace PictureGen
