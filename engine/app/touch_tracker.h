// Touch contacts from XInput2 device events, kept apart from Xlib so that the
// multi-touch path can be fed with made-up events (no X server here can
// produce touches).
//
// A multi-touch pointer reports each contact as a group of valuators: its
// position ("Abs MT Position X/Y") followed by its tracking id ("Abs MT
// Tracking ID"). An event reports every contact still down; a contact not
// reported is up. Contacts are numbered by tracking id, 0 to the device's
// maximum contacts (at most kMaxContacts); other ids are ignored.
//
// A pointer without those valuators (every mouse, and a virtual X server)
// acts as one finger: button 1 down, motion while it is held and button 1 up
// are contact 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Voke {

class AbstractApp;

class TouchTracker {
public:
    // The width of the set of contacts that are down.
    static constexpr unsigned kMaxContacts = 32;

    enum class Label { kOther, kPositionX, kPositionY, kTrackingId };
    // One valuator class of the touch device, in the device's class order.
    struct Valuator {
        int number;
        Label label;
    };

    // `maxContacts` from the device (0 when it does not say: touches are then
    // ignored); `valuators` the device's valuator classes. Without a
    // tracking-id valuator the device acts as a one-finger pointer.
    void SetDevice(unsigned maxContacts, std::vector<Valuator> valuators);
    bool IsMultiTouch() const { return m_multiTouch; }

    // A multi-touch device event: the event's valuator mask (`maskLength`
    // bytes) and the values of the valuators set in it, in ascending valuator
    // order (`valueCount` of them). Reports downs and moves in class order,
    // then ups in increasing id order, through the application's dispatch.
    void HandleValuators(const unsigned char* mask, int maskLength, const double* values, std::size_t valueCount,
                         AbstractApp* app);

    // A pointer event of a one-finger device; kinds as below, `button` the
    // event's button (presses and releases), x and y in window pixels.
    enum class PointerKind { kPress, kRelease, kMotion };
    void HandlePointer(PointerKind kind, int button, double x, double y, AbstractApp* app);

    // The contacts that are down, bit n for id n, and the last position of id.
    uint32_t GetActiveContacts() const { return m_active; }
    bool GetPosition(unsigned id, int* x, int* y) const;

private:
    unsigned m_maxContacts = 0;
    bool m_multiTouch = false;
    std::vector<Valuator> m_valuators;
    std::vector<int> m_positions;  // x, y per contact
    uint32_t m_active = 0;
    // The most recent position met, carried from contact to contact.
    int m_lastX = 0;
    int m_lastY = 0;
    bool m_buttonDown = false;
};

}  // namespace Voke
