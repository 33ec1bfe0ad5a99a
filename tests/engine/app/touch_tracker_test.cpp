#include "engine/app/touch_tracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/abstract_app.h"
#include "engine/app/frame_clock.h"

namespace Voke {
namespace {

class PointerLog : public AbstractApp {
public:
    PointerLog() : AbstractApp(0) {}
    void OnPointerDown(int x, int y, int id) override { Add("down", x, y, id); }
    void OnPointerMove(int x, int y, int id) override { Add("move", x, y, id); }
    void OnPointerUp(int x, int y, int id) override { Add("up", x, y, id); }
    std::vector<std::string> log;

private:
    void Add(const char* what, int x, int y, int id)
    {
        log.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) + "#" +
                      std::to_string(id));
    }
};

using Label = TouchTracker::Label;

// A device with two contact groups, an unrelated valuator in between:
// valuators 0..2 for the first contact, 3 pressure, 4..6 the second.
TouchTracker MultiTouchDevice(unsigned maxContacts)
{
    TouchTracker tracker;
    tracker.SetDevice(maxContacts, {{0, Label::kPositionX},
                                    {1, Label::kPositionY},
                                    {2, Label::kTrackingId},
                                    {3, Label::kOther},
                                    {4, Label::kPositionX},
                                    {5, Label::kPositionY},
                                    {6, Label::kTrackingId}});
    return tracker;
}

TEST(TouchTrackerTest, ContactsGoDownMoveAndUp)
{
    PointerLog app;
    TouchTracker tracker = MultiTouchDevice(5);
    EXPECT_TRUE(tracker.IsMultiTouch());

    // Two new contacts in one event: two downs in class order.
    unsigned char all[1] = {0x7F};
    double both[] = {10, 20, 0, 0.5, 30.9, 40, 1};
    tracker.HandleValuators(all, 1, both, 7, &app);
    EXPECT_EQ(tracker.GetActiveContacts(), 0x3u);

    // Only id 1 still reported: a move for 1, then 0 goes up where it was.
    unsigned char second[1] = {0x70};
    double one[] = {50, 60, 1};
    tracker.HandleValuators(second, 1, one, 3, &app);

    // No tracking id at all (a release with an empty mask): everything up.
    unsigned char none[1] = {0};
    tracker.HandleValuators(none, 1, nullptr, 0, &app);

    EXPECT_EQ(app.log, (std::vector<std::string>{"down 10,20#0", "down 30,40#1", "move 50,60#1", "up 10,20#0",
                                                 "up 50,60#1"}));
    EXPECT_EQ(tracker.GetActiveContacts(), 0u);
}

TEST(TouchTrackerTest, ValuesAreFoundThroughTheMask)
{
    PointerLog app;
    TouchTracker tracker = MultiTouchDevice(5);
    // Only valuators 4, 5 and 6 are set: their values are the first three.
    unsigned char mask[1] = {0x70};
    double values[] = {7, 8, 2};
    tracker.HandleValuators(mask, 1, values, 3, &app);
    // A mask longer than the value list does not read past it.
    unsigned char longMask[2] = {0x7F, 0xFF};
    tracker.HandleValuators(longMask, 2, values, 3, &app);
    EXPECT_EQ(app.log, (std::vector<std::string>{"down 7,8#2", "move 7,8#2"}));
}

TEST(TouchTrackerTest, IdsWithoutASlotAreIgnored)
{
    PointerLog app;
    TouchTracker tracker = MultiTouchDevice(2);
    unsigned char mask[1] = {0x07};
    for (double id : {2.0, 31.0, 32.0, 1000.0, -1.0, 1e300}) {
        double values[] = {1, 1, id};
        tracker.HandleValuators(mask, 1, values, 3, &app);
    }
    EXPECT_TRUE(app.log.empty());
    EXPECT_EQ(tracker.GetActiveContacts(), 0u);

    // A device that does not say how many contacts it has takes none.
    TouchTracker unknown = MultiTouchDevice(0);
    double values[] = {1, 1, 0};
    unknown.HandleValuators(mask, 1, values, 3, &app);
    EXPECT_TRUE(app.log.empty());
}

TEST(TouchTrackerTest, PausedApplicationsDropContactsButTheSetStaysCurrent)
{
    PointerLog app;
    app.SetActive(false);
    TouchTracker tracker = MultiTouchDevice(5);
    unsigned char mask[1] = {0x07};
    double values[] = {1, 2, 3};
    tracker.HandleValuators(mask, 1, values, 3, &app);
    EXPECT_TRUE(app.log.empty());
    EXPECT_EQ(tracker.GetActiveContacts(), 0x8u);
}

TEST(FrameClockTest, FrameTimesStayWithinBounds)
{
    FrameClock clock;
    clock.Restart(1000);
    EXPECT_FLOAT_EQ(clock.Next(1016), 0.016f);
    EXPECT_FLOAT_EQ(clock.Next(1000), 0.0f);  // the wall clock set back
    EXPECT_FLOAT_EQ(clock.Next(1000 + 3600 * 1000), FrameClock::kMaxFrameSeconds);
    // A restart after a pause: the paused time is not a frame.
    clock.Restart(10'000'000);
    EXPECT_FLOAT_EQ(clock.Next(10'000'020), 0.02f);
}

}  // namespace
}  // namespace Voke
