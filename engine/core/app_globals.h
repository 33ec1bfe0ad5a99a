// Process-wide engine records: the user's language and country, and the
// holder of the engine-wide records that live as long as the process.
#pragma once

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {

class AppGlobals : public RefCounter {
public:
    // Language and country, as read from LANG by the platform ("en", "GB");
    // empty until then.
    NarrowString language;
    NarrowString country;

    // The holder of the process-wide records. Released at exit in the order
    // reserved, vfs, globals.
    struct Holder {
        SmartPtr<AppGlobals> globals;
        SmartPtr<RefCounter> vfs;       // the mount table's static data
        SmartPtr<RefCounter> reserved;  // released at exit like the others
        ~Holder()
        {
            reserved.Reset();
            vfs.Reset();
            globals.Reset();
        }
    };

    static Holder* Instance();
    // The two strings of the current record; empty when there is none.
    static NarrowString GetLanguage();
    static NarrowString GetCountry();
};

// The global time-rate factor: frame times are multiplied by it and the mixer
// plays at it. 1.0 at program start. Read by the main and audio threads.
float GetTimeRate();
void SetTimeRate(float rate);

}  // namespace Voke
