// Images by asset name, texture atlases and frame animations, read from a
// pak archive built by the pak writer and drawn on the real driver; atlas
// entries drawn in opaque and blended pieces.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/asset_dict.h"
#include "engine/core/io_stream.h"
#include "engine/core/vfs.h"
#include "engine/graphics/animated_surface.h"
#include "engine/graphics/animation_file.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/atlas.h"
#include "engine/graphics/batcher.h"
#include "engine/graphics/opengl_batcher.h"
#include "tests/engine/graphics/asset_image_files.h"
#include "tests/engine/graphics/gl_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/pak_builder.h"

namespace Voke {
namespace Test {
namespace {

const Color kRed = MakeColor(255, 0, 0);
const Color kGreen = MakeColor(0, 255, 0);
const Color kBlue = MakeColor(0, 0, 255);
const Color kBlack = MakeColor(0, 0, 0);

std::atomic<int> g_fileLoads{0};

// Counts every file the asset path reads.
Surface* CountingLoader(const NarrowString& path)
{
    ++g_fileLoads;
    return LoadTestImageFile(path);
}

// The game's setting: content in a pak archive, the engine's asset
// dictionary, a GL context.
class AssetImages : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        Vfs::Init();
        g_fileLoads = 0;
        SetSurfaceFileLoader(&CountingLoader);
        AssetDict::s_engine = new AssetDict;
    }
    void TearDown() override
    {
        AssetDict::s_engine.Reset();
        SetSurfaceFileLoader(nullptr);
        Vfs::Shutdown();
        GLTest::TearDown();
    }
    void Mount(const std::map<std::string, std::string>& files)
    {
        std::vector<PakBuilder::Entry> entries;
        for (const auto& [name, bytes] : files) entries.push_back({name, bytes});
        std::string archive, error;
        ASSERT_TRUE(PakBuilder::BuildArchive(entries, PakBuilder::Options(), archive, error)) << error;
        const std::string path = m_dir / ("content" + std::to_string(m_paks++) + ".pak");
        std::ofstream(path, std::ios::binary) << archive;
        ASSERT_NE(Vfs::MountPak(path, "", 0), nullptr);
    }
    AssetDict& Dict() { return *AssetDict::s_engine; }
    void Draw(Surface* image, int x, int y) { Surface::Blit(m_window, x, y, image, image->GetClipRect()); }

    // Page rows 3-5 translucent, one translucent pixel in rows 20 and 24.
    static SmartPtr<Surface> PartlyTranslucentPage()
    {
        return MakeImage(16, 40, RGBA8888, [](int x, int y) {
            const bool translucent = (y >= 3 && y <= 5) || (y == 20 && x == 7) || (y == 24 && x == 3);
            return MakeColor(uint8_t(x * 15), uint8_t(y * 6), uint8_t(250 - y * 5), translucent ? 100 : 255);
        });
    }
    // The pixels of a new 64 x 48 target with horizontal bands of colour
    // after draw(target) and a flush; `draws` gets the draw calls made by
    // draw and the flush.
    template <class Draw>
    std::vector<uint8_t> DrawOverBands(Draw&& draw, uint64_t* draws = nullptr)
    {
        SmartPtr<Surface> target = new Surface(64, 48, RGBA8888);
        for (int y = 0; y < 48; y += 4) {
            const Color band = MakeColor(uint8_t(y * 5), 90, uint8_t(200 - y * 4));
            Surface::FillRect(target, 0, y, 64, y + 4, &band);
        }
        Batcher()->Flush();
        const uint64_t before = GetRenderStats().drawCalls;
        draw(target.Get());
        Batcher()->Flush();
        if (draws) *draws = GetRenderStats().drawCalls - before;
        return TargetPixels(target);
    }

    VokeTest::TempDir m_dir;
    int m_paks = 0;
};

// A page of 8 x 4: red left half, blue right half, a green 2 x 2 corner at
// (6, 2); rectangles naming each part.
const char kAtlasXml[] =
    "<?xml version=\"1.0\"?>\n"
    "<atlas>\n"
    "  <rect id=\"red\" x=\"0\" y=\"0\" width=\"4\" height=\"4\"/>\n"
    "  <rect id=\"blue\" x=\"4\" y=\"0\" width=\"2\" height=\"0x4\"/>\n"
    "  <rect id=\"corner\" x=\"6\" y=\"2\" width=\"2\" height=\"2\"/>\n"
    "  <rect id=\"red\" x=\"6\" y=\"2\" width=\"2\" height=\"2\"/>\n"
    "  <other id=\"ignored\"/>\n"
    "</atlas>\n";

Color PagePixel(int x, int y) { return x >= 6 && y >= 2 ? kGreen : (x < 4 ? kRed : kBlue); }

void ExpectAtlasEntries(const char* pageFile)
{
    SCOPED_TRACE(pageFile);
    SmartPtr<Surface> blue = GetCachedSurface("blue", false);
    SmartPtr<Surface> corner = GetCachedSurface("corner", false);
    SmartPtr<Surface> red = GetCachedSurface("red", false);
    ASSERT_TRUE(blue && corner && red);
    EXPECT_EQ(blue->GetWidth(), 2);
    EXPECT_EQ(blue->GetHeight(), 4);
    EXPECT_EQ(red->GetWidth(), 4) << "the first of two rectangles named alike wins";
    EXPECT_EQ(blue->GetPixelData(), red->GetPixelData()) << "one page for all entries";
}

TEST_F(AssetImages, AtlasEntriesDrawTheirRectanglesOfAPngPage)
{
    Mount({{"ab01.xml", kAtlasXml}, {"ab01.png", MakePngFile(8, 4, PagePixel)}});
    ASSERT_TRUE(Dict().LoadAtlas("ab01.xml"));
    ExpectAtlasEntries("png");
    SmartPtr<Surface> blue = GetCachedSurface("blue", false);
    SmartPtr<Surface> corner = GetCachedSurface("corner", false);
    Draw(blue, 10, 10);
    Draw(corner, 20, 10);
    EXPECT_EQ(WindowPixel(10, 10), kBlue);
    EXPECT_EQ(WindowPixel(11, 13), kBlue);
    EXPECT_EQ(WindowPixel(12, 10), kBlack) << "nothing right of the rectangle";
    EXPECT_EQ(WindowPixel(9, 10), kBlack);
    EXPECT_EQ(WindowPixel(20, 10), kGreen);
    EXPECT_EQ(WindowPixel(21, 11), kGreen);
    EXPECT_EQ(WindowPixel(20, 12), kBlack);
    EXPECT_EQ(g_fileLoads, 1) << "the page is read once";
}

// An entry's runs of eight or more opaque rows are drawn unblended in a
// batch of their own. The picture must be the one that blending every row
// draws, byte for byte: in place, with the source rectangle clamped at the
// top, and with a translucent quad of the same page drawn over the opaque
// rows right after (it must land on them, not under them).
TEST_F(AssetImages, OpaqueRowsDrawnApartGiveTheBlendedPicture)
{
    // The entry from row 1 has opaque runs of 14, 3 (too short) and 12 rows.
    SmartPtr<Surface> page = PartlyTranslucentPage();
    SmartPtr<AtlasSurface> entry(new AtlasSurface(page, 2, 1, 12, 36));
    const Rect wholeEntry{0, 0, 12, 36}, wholeInPage{2, 1, 12, 36}, translucentRows{2, 3, 12, 3};
    struct Case {
        Rect entryRect, pageRect;
        bool coverAfter;
    } cases[] = {{wholeEntry, wholeInPage, false}, {{1, -4, 10, 30}, {3, 1, 10, 26}, false}, {wholeEntry, wholeInPage, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entryRect.y + 10 * c.coverAfter);
        std::vector<uint8_t> pictures[2];
        uint64_t draws = 0;
        for (int apart = 0; apart < 2; ++apart) {
            pictures[apart] = DrawOverBands(
                [&](Surface* target) {
                    Surface::Blit(target, 9, 5, apart ? static_cast<Surface*>(entry) : static_cast<Surface*>(page),
                                  apart ? &c.entryRect : &c.pageRect);
                    if (c.coverAfter) Surface::Blit(target, 12, 12, page, &translucentRows);
                },
                &draws);
        }
        EXPECT_GE(draws, 2u) << "the opaque rows drawn apart";
        EXPECT_EQ(pictures[1], pictures[0]);
        // Drawn at all: (9, 15) shows the rectangle's first column, row 10.
        const uint8_t* drawn = &pictures[0][size_t(15 * 64 + 9) * 4];
        const int x = c.pageRect.x, y = c.pageRect.y + 10;
        EXPECT_EQ(MakeColor(drawn[0], drawn[1], drawn[2], drawn[3]),
                  MakeColor(uint8_t(x * 15), uint8_t(y * 6), uint8_t(250 - y * 5)));
    }
}

// A stretched rectangle of an entry is drawn unblended when it and the texels
// around it are opaque (the rows on either side too: a stretched quad may
// sample one texel past its edge). The picture must be the one blending
// draws, byte for byte, also with a translucent quad drawn over it after.
TEST_F(AssetImages, StretchedOpaqueRectanglesDrawnApartGiveTheBlendedPicture)
{
    SmartPtr<Surface> page = PartlyTranslucentPage();
    SmartPtr<AtlasSurface> entry(new AtlasSurface(page, 2, 1, 12, 36));
    const float scale[2] = {13.5f, 9.0f}, pivot[2] = {0.0f, 0.0f};
    const Rect translucentRows{2, 3, 12, 3};
    struct Case {
        Rect entryRect;
        bool apart;
    } cases[] = {{{3, 7, 2, 3}, true}, {{3, 5, 2, 3}, false}, {{0, 7, 2, 3}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entryRect.x * 100 + c.entryRect.y);
        const Rect pageRect{c.entryRect.x + 2, c.entryRect.y + 1, c.entryRect.w, c.entryRect.h};
        std::vector<uint8_t> pictures[2];
        uint64_t draws = 0;
        for (int fromEntry = 0; fromEntry < 2; ++fromEntry) {
            pictures[fromEntry] = DrawOverBands(
                [&](Surface* target) {
                    Surface* source = fromEntry ? static_cast<Surface*>(entry) : static_cast<Surface*>(page);
                    Surface::BlitTransformed(target, source, 5.25f, 4.0f, 0.0f, scale, pivot, 0,
                                             fromEntry ? c.entryRect : pageRect);
                    Surface::Blit(target, 12, 12, page, &translucentRows);
                },
                &draws);
        }
        EXPECT_EQ(draws, c.apart ? 2u : 1u);
        EXPECT_EQ(pictures[1], pictures[0]);
    }
}

// Once loading is done the game uploads every atlas page at once: each page
// once, and drawing afterwards needs no upload and draws the right texels
// (the batcher knows which page is bound).
// Runs of four or more fully transparent rows of an entry are left out of a
// blit (shorter ones are drawn with their neighbours); the picture is the
// one that drawing every row gives, byte for byte.
TEST_F(AssetImages, ClearRowsAreLeftOutAndChangeNoPixel)
{
    // Rows 4-9 and 11-12 clear (with colour under the zero alpha), one
    // translucent pixel in each of the other rows.
    SmartPtr<Surface> page(MakeImage(8, 16, RGBA8888, [](int x, int y) {
        const bool clear = (y >= 4 && y <= 9) || y == 11 || y == 12;
        return MakeColor(uint8_t(x * 30), uint8_t(y * 15), 200, clear ? 0 : x == 3 ? 90 : 255);
    }));
    SmartPtr<AtlasSurface> entry(new AtlasSurface(page, 0, 0, 8, 16));
    std::vector<uint8_t> pictures[2];
    uint32_t vertices[2] = {0, 0};
    for (int fromEntry = 0; fromEntry < 2; ++fromEntry) {
        pictures[fromEntry] = DrawOverBands([&](Surface* target) {
            Surface::Blit(target, 9, 5, fromEntry ? static_cast<Surface*>(entry) : static_cast<Surface*>(page),
                          page->GetClipRect());
            vertices[fromEntry] = Batcher()->GetPendingVertexCount();
        });
    }
    EXPECT_EQ(vertices[0], 4u);
    EXPECT_EQ(vertices[1], 8u) << "rows 0-3 and 10-15, the six clear rows left out";
    EXPECT_EQ(pictures[1], pictures[0]);
}

TEST_F(AssetImages, AtlasPagesUploadAtOnceAndDrawingThenUploadsNothing)
{
    Mount({{"ab01.xml", kAtlasXml}, {"ab01.png", MakePngFile(8, 4, PagePixel)}});
    ASSERT_TRUE(Dict().LoadAtlas("ab01.xml"));
    const uint64_t before = GetRenderStats().textureUploads;
    Dict().UploadAtlasPages();
    EXPECT_EQ(GetRenderStats().textureUploads - before, 1u);
    Dict().UploadAtlasPages();
    Draw(GetCachedSurface("corner", false), 20, 10);
    Draw(GetCachedSurface("blue", false), 10, 10);
    EXPECT_EQ(GetRenderStats().textureUploads - before, 1u);
    EXPECT_EQ(WindowPixel(10, 10), kBlue);
    EXPECT_EQ(WindowPixel(20, 10), kGreen);
}

TEST_F(AssetImages, AtlasEntriesDrawTheirRectanglesOfADdsPage)
{
    Mount({{"ab01.xml", kAtlasXml}, {"ab01.dds", MakeDdsFile(8, 4, PagePixel)}});
    ASSERT_TRUE(Dict().LoadAtlas("ab01.xml"));
    ExpectAtlasEntries("dds");
    SmartPtr<Surface> red = GetCachedSurface("red", false);
    SmartPtr<Surface> blue = GetCachedSurface("blue", false);
    Draw(red, 4, 4);
    Draw(blue, 30, 4);
    EXPECT_EQ(WindowPixel(4, 4), kRed);
    EXPECT_EQ(WindowPixel(7, 7), kRed);
    EXPECT_EQ(WindowPixel(8, 4), kBlack);
    EXPECT_EQ(WindowPixel(30, 4), kBlue);
    EXPECT_EQ(WindowPixel(31, 7), kBlue);
    EXPECT_EQ(WindowPixel(32, 4), kBlack);
}

TEST_F(AssetImages, AtlasTagIsThePagesOptionsAndEveryEntrysSuffix)
{
    Mount({{"ab01.xml", kAtlasXml}, {"ab01.png", MakePngFile(8, 4, PagePixel)}});
    ASSERT_TRUE(Dict().LoadAtlas("ab01.xml@linear"));
    EXPECT_FALSE(GetCachedSurface("blue", false)) << "entries carry the tag";
    SmartPtr<Surface> blue = GetCachedSurface("blue@linear", false);
    ASSERT_TRUE(blue);
    EXPECT_TRUE(blue->TestFlags(Surface::kLinear)) << "an entry filters like its page";
    SmartPtr<Surface> page = GetCachedSurface("ab01.png@linear", false);
    ASSERT_TRUE(page);
    EXPECT_EQ(static_cast<AtlasSurface*>(blue.Get())->GetPage(), page.Get());
}

TEST_F(AssetImages, RemovedAtlasEntriesAreLookedForAsFilesOnceReleased)
{
    Mount({{"ab01.xml", kAtlasXml}, {"ab01.png", MakePngFile(8, 4, PagePixel)}});
    ASSERT_TRUE(Dict().LoadAtlas("ab01.xml"));
    ASSERT_TRUE(Dict().LoadAtlas("ab01.xml")) << "asking again keeps the same atlas";
    EXPECT_EQ(g_fileLoads, 1);
    SmartPtr<Surface> held = GetCachedSurface("red", false);
    Dict().Remove("ab01.xml");
    EXPECT_EQ(GetCachedSurface("red", false).Get(), held.Get()) << "alive while held";
    held.Reset();
    EXPECT_FALSE(GetCachedSurface("red", false));
    EXPECT_EQ(g_fileLoads, 2) << "the released entry went to the file system";
}

TEST_F(AssetImages, DamagedAtlasesFailCleanly)
{
    Mount({
        {"page.png", MakePngFile(8, 4, PagePixel)},
        {"bad.xml", "<?xml version=\"1.0\"?><atlas><rect id=\"a\" x=\"0\""},
        {"bad.png", MakePngFile(8, 4, PagePixel)},
        {"nopage.xml", kAtlasXml},
        {"broken.xml", kAtlasXml},
        {"broken.png", "\x89PNG but not really"},
        {"rects.xml", "<?xml version=\"1.0\"?><atlas>"
                      "<rect id=\"good\" x=\"0\" y=\"0\" width=\"2\" height=\"2\"/>"
                      "<rect id=\"wide\" x=\"4\" y=\"0\" width=\"5\" height=\"2\"/>"
                      "<rect id=\"neg\" x=\"-1\" y=\"0\" width=\"1\" height=\"1\"/>"
                      "<rect id=\"nox\" y=\"0\" width=\"1\" height=\"1\"/>"
                      "<rect id=\"text\" x=\"zero\" y=\"0\" width=\"1\" height=\"1\"/>"
                      "<rect x=\"1\" y=\"1\" width=\"1\" height=\"1\"/>"
                      "</atlas>"},
        {"rects.png", MakePngFile(8, 4, PagePixel)},
    });
    EXPECT_FALSE(Dict().LoadAtlas("bad.xml")) << "description not well-formed";
    EXPECT_FALSE(Dict().LoadAtlas("nopage.xml")) << "no page file";
    EXPECT_FALSE(Dict().LoadAtlas("broken.xml")) << "page does not decode";
    EXPECT_FALSE(Dict().LoadAtlas("missing.xml"));
    EXPECT_FALSE(Dict().LoadAtlas("x"));
    EXPECT_FALSE(Dict().LoadAtlas(""));
    EXPECT_EQ(Dict().GetAtlasCount(), 0u) << "an atlas without a page or description is not kept";

    EXPECT_FALSE(Dict().LoadAtlas("rects.xml")) << "damaged rectangles are reported";
    EXPECT_TRUE(Dict().HasAtlas("rects.xml"));
    EXPECT_TRUE(GetCachedSurface("good", false));
    EXPECT_TRUE(GetCachedSurface("", false)) << "a rectangle without id is named \"\"";
    for (const char* left : {"wide", "neg", "nox", "text"}) EXPECT_FALSE(GetCachedSurface(left, false)) << left;
}

// The game's loader thread builds atlases and images while the main thread
// asks for the same names.
TEST_F(AssetImages, LoaderThreadAndMainThreadShareOneCopy)
{
    std::map<std::string, std::string> files = {{"ab01.xml", kAtlasXml}, {"ab01.png", MakePngFile(8, 4, PagePixel)}};
    for (int i = 0; i < 4; ++i) files["img" + std::to_string(i) + ".png"] = MakePngFile(4, 4, PagePixel);
    Mount(files);
    std::atomic<bool> wrong{false};
    auto work = [&](int seed) {
        std::vector<SmartPtr<Surface>> held(4);
        for (int i = 0; i < 200; ++i) {
            const int n = (i + seed) % 4;
            if (i % 10 == seed) {
                if (!Dict().LoadAtlas("ab01.xml")) wrong = true;
                if (i % 20 == seed) Dict().Remove("ab01.xml");
            }
            SmartPtr<Surface> image = GetCachedSurface("img" + std::to_string(n) + ".png", false);
            if (!image || (held[n] && held[n].Get() != image.Get())) wrong = true;
            held[n] = (i % 3) ? image : SmartPtr<Surface>();
            SmartPtr<Surface> entry = GetCachedSurface("blue", false);
            if (entry && entry->GetWidth() != 2) wrong = true;
        }
    };
    std::thread loader(work, 1);
    work(0);
    loader.join();
    EXPECT_FALSE(wrong);
}

TEST(AtlasPages, CandidatesFollowTheDriversTextureFormats)
{
    auto order = [](bool dxtc, bool pvr, bool etc) {
        GLCaps caps{};
        caps.dxtc = dxtc;
        caps.pvr = pvr;
        caps.etc = etc;
        std::string joined;
        for (const char* e : Atlas::GetPageCandidates(caps)) joined += std::string(e) + " ";
        return joined;
    };
    EXPECT_EQ(order(false, false, false), "png dds etc ");
    EXPECT_EQ(order(true, true, true), "dds pvr+ pvr etc png ");
    EXPECT_EQ(order(false, true, false), "pvr+ pvr png dds etc ");
}

TEST_F(AssetImages, ImageOptionsApplyToTheLoadedSurface)
{
    Mount({{"img.png", MakePngFile(2, 2, PagePixel)}});
    SmartPtr<Surface> plain = GetCachedSurface("img.png", false);
    SmartPtr<Surface> keyed = GetCachedSurface("img.png@ck,,linear,rle,unknown", false);
    ASSERT_TRUE(plain && keyed);
    EXPECT_NE(plain.Get(), keyed.Get()) << "options make a name of its own";
    EXPECT_EQ(plain->TestFlags(~0u), 0u);
    EXPECT_EQ(keyed->TestFlags(~0u), uint32_t(Surface::kColorKey | Surface::kLinear));
    const uint8_t* key = keyed->GetPixelData()->GetColorKey();
    EXPECT_EQ(std::vector<int>(key, key + 4), (std::vector<int>{255, 0, 255, 255}));

    SmartPtr<Surface> small = GetCachedSurface("img.png@565", false);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->GetPixelData()->GetFormat(), uint32_t(RGB565));
    Draw(small, 0, 0);
    EXPECT_EQ(WindowPixel(0, 0), kRed);
    EXPECT_FALSE(GetCachedSurface("none.png@ck", false)) << "a failed load applies nothing";
}

TEST_F(AssetImages, SameSurfaceWhileHeldReloadedAfterTheLastHolder)
{
    Mount({{"img.png", MakePngFile(2, 2, PagePixel)}});
    SmartPtr<Surface> first = GetCachedSurface("img.png", false);
    ASSERT_TRUE(first);
    EXPECT_EQ(GetCachedSurface("img.png", false).Get(), first.Get());
    EXPECT_EQ(g_fileLoads, 1);
    WeakPtr<Surface> watch = first.Get();
    first.Reset();
    EXPECT_TRUE(watch.Expired());
    SmartPtr<Surface> second = GetCachedSurface("img.png", false);
    ASSERT_TRUE(second);
    EXPECT_EQ(g_fileLoads, 2);
    Draw(second, 0, 0);
    EXPECT_EQ(WindowPixel(1, 1), kRed);
}

// Frames: three 2 x 2 images of one colour each.
std::map<std::string, std::string> AnimationFiles(const std::string& xml)
{
    return {{"anim.xml", xml},
            {"r.png", MakePngFile(2, 2, [](int, int) { return kRed; })},
            {"g.png", MakePngFile(2, 2, [](int, int) { return kGreen; })},
            {"b.png", MakePngFile(3, 3, [](int, int) { return kBlue; })}};
}

SmartPtr<AnimatedSurface> AsAnimation(const SmartPtr<Surface>& surface)
{
    return SmartPtr<AnimatedSurface>(dynamic_cast<AnimatedSurface*>(surface.Get()));
}

TEST_F(AssetImages, AnimationsAdvanceByTimeAndLoop)
{
    Mount(AnimationFiles("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                         "<anim loop=\"yes\">\n"
                         "  <frame image=\"r.png\" time=\"100\"/>\n"
                         "  <frame image=\"g.png\" time=\"0x64\" x=\"\" y=\"3\"/>\n"
                         "  <frame image=\"b.png\" time=\"250\" x=\"5\"/>\n"
                         "</anim>\n"));
    SmartPtr<AnimatedSurface> anim = AsAnimation(GetCachedSurface("anim.xml", false));
    ASSERT_TRUE(anim);
    ASSERT_EQ(anim->GetFrameCount(), 3u);
    EXPECT_TRUE(anim->IsLooping());
    EXPECT_FLOAT_EQ(anim->GetFrameTime(1), 0.1f);
    EXPECT_EQ(anim->GetFrame(1).y, 3);
    EXPECT_EQ(anim->GetFrame(1).x, 0) << "an empty offset is 0";

    Draw(anim, 10, 10);
    EXPECT_EQ(WindowPixel(10, 10), kRed);
    EXPECT_TRUE(anim->Update(0.05f));
    EXPECT_EQ(anim->GetCurrentFrame(), 0u);
    EXPECT_TRUE(anim->Update(0.25f)) << "one update moves one frame whatever the time";
    EXPECT_EQ(anim->GetCurrentFrame(), 1u);
    EXPECT_FLOAT_EQ(anim->GetTimer(), 0.1f);
    EXPECT_EQ(anim->GetWidth(), 2);
    Draw(anim, 20, 10);
    EXPECT_EQ(WindowPixel(20, 13), kGreen) << "the frame's offset applies";
    EXPECT_EQ(WindowPixel(20, 10), kBlack);

    EXPECT_TRUE(anim->Update(0.2f));
    EXPECT_EQ(anim->GetCurrentFrame(), 2u);
    EXPECT_EQ(anim->GetWidth(), 3);
    EXPECT_EQ(anim->GetClipRect()->w, 3);
    anim->SetOpacity(128);
    Draw(anim, 30, 10);
    EXPECT_EQ(WindowPixel(35, 12), MakeColor(0, 0, 128)) << "drawn at the animation's opacity";
    EXPECT_TRUE(anim->Update(0.3f));
    EXPECT_EQ(anim->GetCurrentFrame(), 0u) << "looped";
    anim->SetFrame(7);
    EXPECT_EQ(anim->GetCurrentFrame(), 0u) << "an index outside the list changes nothing";
}

TEST_F(AssetImages, OneShotAnimationsStopOnTheirLastFrame)
{
    Mount(AnimationFiles("<?xml version=\"1.0\"?><anim loop=\"\">"
                         "<frame image=\"r.png\" time=\"100\"/><frame image=\"g.png\" time=\"100\"/></anim>"));
    SmartPtr<AnimatedSurface> anim = AsAnimation(GetCachedSurface("anim.xml", false));
    ASSERT_TRUE(anim);
    EXPECT_FALSE(anim->IsLooping());
    EXPECT_TRUE(anim->Update(0.25f));
    EXPECT_EQ(anim->GetCurrentFrame(), 1u);
    EXPECT_FALSE(anim->Update(0.25f));
    EXPECT_FALSE(anim->Update(0.01f)) << "a finished animation stays finished";
    EXPECT_EQ(anim->GetCurrentFrame(), 1u);
}

TEST_F(AssetImages, DamagedAnimationsFailCleanly)
{
    const char* head = "<?xml version=\"1.0\"?>";
    std::map<std::string, std::string> files = AnimationFiles("");
    files["cut.xml"] = std::string(head) + "<anim><frame image=\"r.png\" time=\"1";
    files["empty.xml"] = std::string(head) + "<anim loop=\"1\"></anim>";
    files["notime.xml"] = std::string(head) + "<anim><frame image=\"r.png\"/></anim>";
    files["badtime.xml"] = std::string(head) + "<anim><frame image=\"r.png\" time=\"soon\"/></anim>";
    files["badx.xml"] = std::string(head) + "<anim><frame image=\"r.png\" time=\"1\" x=\"left\"/></anim>";
    files["noimage.xml"] = std::string(head) + "<anim><frame time=\"10\"/></anim>";
    files["gone.xml"] = std::string(head) +
                        "<anim><frame image=\"r.png\" time=\"10\"/><frame image=\"gone.png\" time=\"10\"/></anim>";
    files["self.xml"] = std::string(head) + "<anim><frame image=\"self.xml\" time=\"10\"/></anim>";
    files["ping.xml"] = std::string(head) + "<anim><frame image=\"pong.xml\" time=\"10\"/></anim>";
    files["pong.xml"] = std::string(head) + "<anim><frame image=\"ping.xml\" time=\"10\"/></anim>";
    files["nested.xml"] = std::string(head) + "<anim><frame image=\"inner.xml\" time=\"10\"/></anim>";
    files["inner.xml"] = std::string(head) + "<anim><frame image=\"b.png\" time=\"10\" x=\"1\"/></anim>";
    Mount(files);
    for (const char* name : {"anim.xml", "cut.xml", "empty.xml", "notime.xml", "badtime.xml", "badx.xml",
                             "noimage.xml", "gone.xml", "self.xml", "ping.xml"}) {
        EXPECT_FALSE(GetCachedSurface(name, false)) << name;
    }
    SmartPtr<AnimatedSurface> nested = AsAnimation(GetCachedSurface("nested.xml", false));
    ASSERT_TRUE(nested) << "an animation may show another";
    Draw(nested, 40, 20);
    EXPECT_EQ(WindowPixel(42, 22), kBlue);

    EXPECT_EQ(AnimatedSurface::Create({}, true, nullptr), nullptr);
    AnimatedSurface::Frame missing;
    missing.time = 1.0f;
    EXPECT_EQ(AnimatedSurface::Create({missing}, true, nullptr), nullptr);
}

TEST(AnimationFiles, OnlyTheDoubleQuotedDeclarationIsAnAnimation)
{
    auto can = [](const std::string& text) {
        SmartPtr<SeekableStream> stream(MakeMemoryStream(text));
        return AnimationFile::CanLoad(stream);
    };
    EXPECT_TRUE(can("<?xml version=\"1.0\"?><a/>"));
    EXPECT_FALSE(can("<?xml version='1.0'?><a/>"));
    EXPECT_FALSE(can("\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>"));
    EXPECT_FALSE(can("<?xml version=\"1.0"));
    EXPECT_FALSE(AnimationFile::CanLoad(nullptr));
}

}  // namespace
}  // namespace Test
}  // namespace Voke
