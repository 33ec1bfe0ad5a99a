// Formats with inherited attributes, font sets and rich strings.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/text/font_set.h"
#include "engine/text/format.h"
#include "engine/text/rich_string.h"

namespace Voke {
namespace Text {
namespace {

TEST(FormatTest, Inheritance)
{
    SmartPtr<Format> parent(new Format);
    parent->alignment = 1;
    parent->flags = Format::kAlignment;
    SmartPtr<Format> child(new Format);
    child->alignment = 2;
    child->flags = Format::kAlignment;
    child->parent = parent.Get();
    EXPECT_EQ(child->GetAlignment(), 2);
    child->flags = 0;
    EXPECT_EQ(child->GetAlignment(), 1);  // the field without its bit is invisible below the parent
    parent.Reset();
    EXPECT_EQ(child->GetAlignment(), 2);  // a root answers with its own field
}

TEST(FormatTest, ResolveStopsAtTheParentOfFrom)
{
    SmartPtr<Format> root(new Format), middle(new Format), leaf(new Format);
    root->color = {1, 2, 3, 4};
    root->flags = Format::kColor;
    middle->lineSpacing = 5;
    middle->flags = Format::kLineSpacing;
    leaf->alignment = 2;
    leaf->flags = Format::kAlignment;
    middle->InsertBetween(root, leaf);
    EXPECT_EQ(root->child.Get(), middle.Get());
    EXPECT_EQ(leaf->parent.Get(), middle.Get());

    Format all;
    all.Resolve(root, leaf);
    EXPECT_EQ(all.flags, uint32_t(Format::kColor | Format::kLineSpacing | Format::kAlignment));
    EXPECT_EQ(all.color, (Color4{1, 2, 3, 4}));
    EXPECT_EQ(all.lineSpacing, 5);
    EXPECT_EQ(all.alignment, 2);

    Format belowRoot;
    belowRoot.Resolve(middle, leaf);
    EXPECT_EQ(belowRoot.flags, uint32_t(Format::kLineSpacing | Format::kAlignment));
    EXPECT_EQ(belowRoot.color, (Color4{0, 0, 0, 255}));

    Format lone;
    lone.InsertBetween(nullptr, nullptr);
    EXPECT_EQ(lone.parent.Get(), nullptr);
    EXPECT_EQ(lone.child.Get(), nullptr);
}

TEST(FontSetTest, DefaultNameAndFallback)
{
    SmartPtr<FontSet> set(new FontSet);

    SmartPtr<FontEx> menu(new FontEx), big(new FontEx), other(new FontEx);
    set->Add("default", menu);
    set->Add("fontbig", big);
    EXPECT_EQ(set->Find("fontbig"), big.Get());
    EXPECT_EQ(set->Find("FONTBIG"), menu.Get());
    EXPECT_EQ(set->Find(""), menu.Get());

    set->Add("fontbig", other);
    EXPECT_EQ(set->Find("fontbig"), big.Get());
    EXPECT_EQ(set->GetCount(), 2);
    set->Add("nothing", nullptr);  // a font that failed to load is not stored
    EXPECT_FALSE(set->Contains("nothing"));

    set->SetDefaultName("missing");
    EXPECT_FALSE(set->HasDefault());
    EXPECT_EQ(set->Find("unknown"), nullptr);
    EXPECT_EQ(set->Find("default"), menu.Get());
}

// The loader thread adds fonts while the main thread looks them up.
TEST(FontSetTest, AddWhileFinding)
{
    SmartPtr<FontSet> set(new FontSet);
    SmartPtr<FontEx> first(new FontEx);
    set->Add("fontbig", first);
    std::atomic<bool> done{false};
    std::thread loader([&] {
        for (int i = 0; i < 2000; ++i) set->Add("font" + std::to_string(i), new FontEx);
        done = true;
    });
    int lookups = 0;
    while (!done || lookups == 0) {
        EXPECT_NE(set->Find("font" + std::to_string(lookups % 2000)), nullptr);
        ++lookups;
    }
    loader.join();
    EXPECT_EQ(set->GetCount(), 2001);
}

TEST(RichStringTest, RunsAreCopies)
{
    Format parent;
    Format format;
    format.parent = &parent;
    format.color = {255, 0, 0, 255};
    format.flags = Format::kColor;
    RichString text(L"", format);
    format.color = {0, 255, 0, 255};
    text.Append(L"ab", format).Append(L"c", format);
    ASSERT_EQ(text.runs.size(), 3u);
    EXPECT_EQ(text.runs.front().text, L"");
    EXPECT_EQ(text.runs.front().format.color, (Color4{255, 0, 0, 255}));
    EXPECT_EQ(text.runs.front().format.parent.Get(), nullptr);
    EXPECT_EQ(text.runs.back().text, L"c");
}

}  // namespace
}  // namespace Text
}  // namespace Voke
