#include "engine/app/touch_tracker.h"

#include <cmath>
#include <limits>

#include "engine/app/abstract_app.h"

namespace Voke {

namespace {

// Truncates toward zero into a 32-bit integer; values out of range (and not
// numbers) give the nearest limit rather than undefined behaviour.
int ToInt(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

bool MaskHas(const unsigned char* mask, int maskLength, int number)
{
    if (number < 0 || number >= maskLength * 8) return false;
    return (mask[number >> 3] >> (number & 7)) & 1;
}

// How many valuators below `number` are set: the index of its value.
std::size_t ValueIndex(const unsigned char* mask, int number)
{
    std::size_t index = 0;
    for (int i = 0; i < number; ++i)
        if ((mask[i >> 3] >> (i & 7)) & 1) ++index;
    return index;
}

}  // namespace

void TouchTracker::SetDevice(unsigned maxContacts, std::vector<Valuator> valuators)
{
    m_maxContacts = maxContacts < kMaxContacts ? maxContacts : kMaxContacts;
    m_valuators = std::move(valuators);
    m_multiTouch = false;
    for (const Valuator& v : m_valuators)
        if (v.label == Label::kTrackingId) m_multiTouch = true;
    m_positions.assign(static_cast<std::size_t>(m_maxContacts) * 2, 0);
    m_active = 0;
    m_buttonDown = false;
}

void TouchTracker::HandleValuators(const unsigned char* mask, int maskLength, const double* values,
                                   std::size_t valueCount, AbstractApp* app)
{
    const uint32_t previous = m_active;
    uint32_t seen = 0;
    uint32_t gone = previous;

    for (const Valuator& v : m_valuators) {
        if (!MaskHas(mask, maskLength, v.number)) continue;
        std::size_t index = ValueIndex(mask, v.number);
        if (index >= valueCount) continue;  // a short event: the value is missing
        int value = ToInt(values[index]);
        switch (v.label) {
        case Label::kPositionX:
            m_lastX = value;
            break;
        case Label::kPositionY:
            m_lastY = value;
            break;
        case Label::kTrackingId: {
            if (value < 0 || static_cast<unsigned>(value) >= m_maxContacts) break;  // no slot for it
            const uint32_t bit = uint32_t{1} << value;
            if (app) {
                if (previous & bit)
                    app->DispatchPointerMove(m_lastX, m_lastY, value);
                else
                    app->DispatchPointerDown(m_lastX, m_lastY, value);
            }
            gone &= ~bit;
            seen |= bit;
            m_positions[static_cast<std::size_t>(value) * 2] = m_lastX;
            m_positions[static_cast<std::size_t>(value) * 2 + 1] = m_lastY;
            break;
        }
        case Label::kOther:
            break;
        }
    }

    for (unsigned id = 0; id < m_maxContacts; ++id) {
        if (!(gone & (uint32_t{1} << id))) continue;
        if (app) app->DispatchPointerUp(m_positions[id * 2], m_positions[id * 2 + 1], static_cast<int>(id));
    }
    m_active = seen;
}

void TouchTracker::HandlePointer(PointerKind kind, int button, double x, double y, AbstractApp* app)
{
    const int px = ToInt(x);
    const int py = ToInt(y);
    switch (kind) {
    case PointerKind::kPress:
        if (button != 1 || m_buttonDown) return;
        m_buttonDown = true;
        if (app) app->DispatchPointerDown(px, py, 0);
        break;
    case PointerKind::kMotion:
        if (!m_buttonDown) return;
        if (app) app->DispatchPointerMove(px, py, 0);
        break;
    case PointerKind::kRelease:
        if (button != 1 || !m_buttonDown) return;
        m_buttonDown = false;
        if (app) app->DispatchPointerUp(px, py, 0);
        break;
    }
}

bool TouchTracker::GetPosition(unsigned id, int* x, int* y) const
{
    if (id >= m_maxContacts) return false;
    *x = m_positions[id * 2];
    *y = m_positions[id * 2 + 1];
    return true;
}

}  // namespace Voke
