#include "engine/core/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace Voke {
namespace {

struct CallLog {
    std::vector<std::string> calls;
    static void Record(void* userData, const std::string& path, RegistryKey*)
    {
        static_cast<CallLog*>(userData)->calls.push_back(path);
    }
    static void RecordTagged(void* userData, const std::string& path, RegistryKey*)
    {
        static_cast<CallLog*>(userData)->calls.push_back("tagged " + path);
    }
};

class FixedKey : public RegistryKeyProtectedInt {
public:
    Any Get() const override { return Any(value); }
    int value = 480;
};

TEST(RegistryTest, MismatchedAndUnsetTypesAreRefused)
{
    SmartPtr<Registry> registry(new Registry);
    ASSERT_TRUE(registry->Set("/k/n", 7));
    std::string s = "untouched";
    float f = -1;
    bool b = true;
    EXPECT_FALSE(registry->Get("/k/n", s));
    EXPECT_FALSE(registry->Get("/k/n", f));
    EXPECT_FALSE(registry->Get("/k/n", b));
    EXPECT_EQ(s, "untouched");
    EXPECT_EQ(f, -1);
    EXPECT_TRUE(b);

    // A set of another type changes the key's type.
    ASSERT_TRUE(registry->Set("/k/n", 1.5f));
    EXPECT_EQ(registry->GetKey("/k/n", false)->GetType(), RegistryKey::kFloat);
    int i = 3;
    EXPECT_FALSE(registry->Get("/k/n", i));
    EXPECT_EQ(i, 3);
    EXPECT_TRUE(registry->Get("/k/n", f));
    EXPECT_EQ(f, 1.5f);

    // Created but never given a value.
    ASSERT_NE(registry->GetKey("/k/empty", true), nullptr);
    EXPECT_FALSE(registry->Get("/k/empty", i));
    EXPECT_FALSE(registry->Get("/k/empty", b));
    EXPECT_EQ(i, 3);
}

TEST(RegistryTest, PathRules)
{
    SmartPtr<Registry> registry(new Registry);
    for (const char* bad : {"", "a/b", "/", "/swap", "/a/"}) {
        EXPECT_FALSE(registry->Set(bad, 1)) << '"' << bad << '"';
        EXPECT_EQ(registry->GetKey(bad, true), nullptr) << bad;
    }
    EXPECT_EQ(registry->FindNode("", false, true), nullptr);
    EXPECT_EQ(registry->FindNode("x", false, true), nullptr);
    EXPECT_NE(registry->FindNode("/", false, false), nullptr);

    // An empty component names a child with an empty name.
    EXPECT_TRUE(registry->Set("//x/k", 1));
    Registry::Node* root = registry->FindNode("/", false, false);
    ASSERT_EQ(root->children.count(""), 1u);
    EXPECT_EQ(root->children[""]->children["x"]->keys.count("k"), 1u);
    EXPECT_TRUE(registry->Set("/a//b/k", 2));
    EXPECT_NE(registry->FindNode("/a//b", false, false), nullptr);

    // The length limit counts the whole path.
    std::string longest = "/n/" + std::string(Registry::kMaxPathLength - 3, 'k');
    ASSERT_EQ(longest.size(), 255u);
    EXPECT_TRUE(registry->Set(longest, 1));
    EXPECT_FALSE(registry->Set(longest + "k", 1));
}

TEST(RegistryTest, MachineSubtreeIsReadOnly)
{
    SmartPtr<Registry> registry(new Registry);
    FixedKey* fixed = new FixedKey;
    ASSERT_TRUE(registry->AddMachineKey("/machine/resolution", "x", fixed));
    EXPECT_FALSE(registry->AddMachineKey("/machines", "x", new FixedKey));
    EXPECT_FALSE(registry->AddMachineKey("/other", "x", new FixedKey));
    EXPECT_FALSE(registry->AddMachineKey("/machine", "", new FixedKey));

    CallLog log;
    registry->AddCallback("", &CallLog::Record, &log, "test", __FILE__, __LINE__);
    EXPECT_FALSE(registry->Set("/machine/resolution/x", 5));
    EXPECT_FALSE(registry->Set("/machine/new/k", 5));
    EXPECT_FALSE(registry->Set("/machine/resolution/new", 5));
    EXPECT_FALSE(registry->Set("/machine/k", 5));
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(registry->FindNode("/machine/new", false, false), nullptr);
    EXPECT_EQ(registry->FindNode("/machine/resolution", false, false)->keys.size(), 1u);

    // The value is computed when read.
    int x = 0;
    EXPECT_TRUE(registry->Get("/machine/resolution/x", x));
    EXPECT_EQ(x, 480);
    fixed->value = 800;
    EXPECT_TRUE(registry->Get("/machine/resolution/x", x));
    EXPECT_EQ(x, 800);

    // "/machinex" is an ordinary node.
    EXPECT_TRUE(registry->Set("/machinex/k", 1));
}

TEST(RegistryTest, CallbacksMatchPrefixesInOrder)
{
    SmartPtr<Registry> registry(new Registry);
    CallLog log;
    registry->AddCallback("/controls", &CallLog::Record, &log, "a", "b", 1);
    registry->AddCallback("/", &CallLog::RecordTagged, &log, "a", "b", 2);
    registry->AddCallback("/controls", &CallLog::Record, &log, "a", "b", 3);

    registry->Set("/controls/swap", true);
    registry->Set("/controlsX/y", 1);
    registry->Set("/other/z", 1);
    registry->Set("/controls/swap", true);  // unchanged values notify too
    EXPECT_EQ(log.calls, (std::vector<std::string>{
                             "/controls/swap", "tagged /controls/swap", "/controls/swap",
                             "/controlsX/y", "tagged /controlsX/y", "/controlsX/y",
                             "tagged /other/z",
                             "/controls/swap", "tagged /controls/swap", "/controls/swap"}));

    // Only the first full match goes; a different user data matches nothing.
    int other = 0;
    EXPECT_FALSE(registry->RemoveCallback("/controls", &CallLog::Record, &other));
    EXPECT_FALSE(registry->RemoveCallback("/control", &CallLog::Record, &log));
    EXPECT_TRUE(registry->RemoveCallback("/controls", &CallLog::Record, &log));
    log.calls.clear();
    registry->Set("/controls/swap", false);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"tagged /controls/swap", "/controls/swap"}));
    EXPECT_TRUE(registry->RemoveCallback("/controls", &CallLog::Record, &log));
    EXPECT_FALSE(registry->RemoveCallback("/controls", &CallLog::Record, &log));
}

TEST(RegistryTest, CallbackMayUseTheRegistry)
{
    SmartPtr<Registry> registry(new Registry);
    struct Mirror {
        Registry* registry;
        static void Copy(void* self, const std::string&, RegistryKey* key)
        {
            Any held = key->Get();
            const int* value = held.Get<int>();
            if (value) static_cast<Mirror*>(self)->registry->Set("/mirror/value", *value);
        }
    } mirror{registry};
    registry->AddCallback("/source", &Mirror::Copy, &mirror, "mirror", __FILE__, __LINE__);
    registry->Set("/source/value", 9);
    int copied = 0;
    EXPECT_TRUE(registry->Get("/mirror/value", copied));
    EXPECT_EQ(copied, 9);
}

TEST(RegistryTest, TwoThreadsSetAndGetAtOnce)
{
    SmartPtr<Registry> registry(new Registry);
    auto work = [&registry](int id) {
        for (int i = 0; i < 2000; ++i) {
            std::string path = "/t" + std::to_string(id) + "/n" + std::to_string(i % 50) + "/k";
            registry->Set(path, i);
            int value = -1;
            EXPECT_TRUE(registry->Get(path, value));
            registry->Set("/shared/k", i);
        }
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    int value = -1;
    EXPECT_TRUE(registry->Get("/t1/n49/k", value));
    EXPECT_EQ(value, 1999);
}

}  // namespace
}  // namespace Voke
