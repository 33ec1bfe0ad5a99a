// picturegen OUT_DIR [--sheets SHEET_DIR]: draws every picture of the game
// into OUT_DIR/<group>/<name> and, with --sheets, contact sheets for review.
// The output depends only on this program: one build, one set of bytes.
// Exit status 0 on success, 1 when a picture could not be written or broke
// its placement rules, 2 on a bad command line.
#include <cstdio>
#include <cstring>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/painters.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: picturegen OUT_DIR [--sheets SHEET_DIR]\n");
        return 2;
    }
    PictureGen::PictureSink sink(argv[1]);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sheets") == 0 && i + 1 < argc) {
            sink.EnableSheets(argv[++i]);
        } else {
            std::fprintf(stderr, "picturegen: unknown argument %s\n", argv[i]);
            return 2;
        }
    }

    PictureGen::PaintCharactersAndInterface(sink);
    PictureGen::PaintLevelArt(sink);
    sink.WriteGroupSheets();
    PictureGen::Kit::ReleaseFonts();

    if (!sink.Ok()) return 1;
    std::printf("picturegen: %d pictures\n", sink.Count());
    return 0;
}
