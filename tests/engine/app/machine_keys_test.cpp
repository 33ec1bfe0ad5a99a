#include "engine/app/machine_keys.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/app/abstract_app.h"
#include "engine/app/display.h"
#include "engine/core/registry.h"

namespace Voke {
namespace {

class TurnableDisplay : public Display {
public:
    int GetOrientation() const override { return orientation; }
    int orientation = kLandscape;
};

TEST(MachineKeysTest, ReadLiveValuesAndRefuseWrites)
{
    SmartPtr<Registry> registry(new Registry);
    InstallMachineKeys(*registry);

    // No application yet: the keys read as "nothing there".
    int orientation = -1, x = -1;
    std::string platform;
    EXPECT_TRUE(registry->Get("/machine/orientation", orientation));
    EXPECT_EQ(orientation, 0);
    EXPECT_TRUE(registry->Get("/machine/resolution/x", x));
    EXPECT_EQ(x, 0);
    EXPECT_TRUE(registry->Get("/machine/platform", platform));
    EXPECT_EQ(platform, "maemo");

    {
        SmartPtr<AbstractApp> app(new AbstractApp(0));
        SmartPtr<TurnableDisplay> display(new TurnableDisplay);  // no surface
        app->SetDisplay(display);
        EXPECT_TRUE(registry->Get("/machine/resolution/x", x));
        EXPECT_EQ(x, 0);
        EXPECT_TRUE(registry->Get("/machine/orientation", orientation));
        EXPECT_EQ(orientation, 90);
        EXPECT_FALSE(registry->Set("/machine/orientation", 5));
        display->orientation = Display::kPortrait;
        EXPECT_TRUE(registry->Get("/machine/orientation", orientation));
        EXPECT_EQ(orientation, 0);
    }

    EXPECT_FALSE(registry->Set("/machine/resolution/x", 5));
    EXPECT_FALSE(registry->Set("/machine/platform", std::string("other")));
    EXPECT_FALSE(registry->Set("/machine/gl/fbo", true));
    EXPECT_FALSE(registry->Set("/machine/gl/extra", 1));

    // Reinstalling replaces the keys instead of adding more.
    InstallMachineKeys(*registry);
    EXPECT_EQ(registry->FindNode("/machine/gl", false, false)->keys.size(), 11u);
}

TEST(MachineKeysTest, OrientationDegrees)
{
    EXPECT_EQ(MachineKeyOrientation::ToDegrees(8), 270);
    EXPECT_EQ(MachineKeyOrientation::ToDegrees(3), 0);
    EXPECT_EQ(MachineKeyOrientation::ToDegrees(-1), 0);
}

}  // namespace
}  // namespace Voke
