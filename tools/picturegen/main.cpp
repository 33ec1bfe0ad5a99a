// picturegen OUT_DIR [--sheets SHEET_DIR]: draws every picture of the game
// into OUT_DIR/<group>/<name> and, with --sheets, contact sheets for review.
// The output depends only on this program: one build, one set of bytes.
#include <cstdio>
#include <cstring>

#include "tools/picturegen/painters.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: picturegen OUT_DIR [--sheets SHEET_DIR]\n");
        return 2;
    }
    PictureGen::PictureSink sink(argv[1]);
    for (int i = 2; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--sheets") == 0) sink.EnableSheets(argv[i + 1]);

    PictureGen::PaintCharactersAndInterface(sink);
    PictureGen::PaintLevelArt(sink);

    if (!sink.Ok()) return 1;
    std::printf("picturegen: %d pictures\n", sink.Count());
    return 0;
}
