// An off-screen target for the presentation's picture tests: drawn through
// the GL batcher on Mesa, read back whole, with the tests' content folder
// mounted as the only content.
#pragma once

#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/graphics/opengl_batcher.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_set.h"
#include "engine/text/format.h"
#include "tests/engine/graphics/gl_fixture.h"
#include "tests/game/presentation/presentation_test_files.h"

namespace PresentationTest {

// A target read back: colours without alpha, the first row the top one.
class Frame {
public:
    Frame(std::vector<uint8_t> rgba, int w) : m_rgba(std::move(rgba)), m_w(w) {}
    int Channel(int x, int y, int c) const { return m_rgba[(size_t(y) * m_w + x) * 4 + c]; }
    Voke::Color At(int x, int y) const { return Voke::MakeColor(Channel(x, y, 0), Channel(x, y, 1), Channel(x, y, 2)); }
    bool operator==(const Frame& other) const { return m_rgba == other.m_rgba; }

private:
    std::vector<uint8_t> m_rgba;
    int m_w;
};

class RenderTarget : public Voke::Test::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        m_content = std::make_unique<ContentFolder>();
    }
    void TearDown() override
    {
        m_target.Reset();
        m_content.reset();
        GLTest::TearDown();
    }
    void MakeTarget(int w, int h)
    {
        m_w = w;
        m_h = h;
        m_target = new Voke::Surface(w, h, Voke::RGBA8888);
    }
    void Clear(Voke::Color c)
    {
        Voke::Surface::Clear(m_target, &c);
        Voke::Surface::FillRect(m_target, 0, 0, m_w, m_h, &c);
    }
    Frame Read() { return Frame(TargetPixels(m_target), m_w); }
    // The game's text format: white in the font "default", centred or left.
    static Voke::Text::Format WhiteText(Voke::Text::FontSet* fonts, bool centred)
    {
        Voke::Text::Format format;
        format.fontSet = fonts;
        format.fontName = "default";
        format.color = {255, 255, 255, 255};
        format.alignment = centred ? 2 : 0;
        format.flags = Voke::Text::Format::kFontName | Voke::Text::Format::kColor | Voke::Text::Format::kAlignment;
        return format;
    }

    std::unique_ptr<ContentFolder> m_content;
    Voke::SmartPtr<Voke::Surface> m_target;
    int m_w = 0, m_h = 0;
};

}  // namespace PresentationTest
