// The asset dictionary: one shared, decoded copy of every image, font, sound
// and atlas that game code asks for by name.
//
// An asset name is a path in the mount table, optionally followed by '@' and
// options ("hero.png@ck,linear", "music.ogg@cache", "ab01.xml@linear"); the
// text after the last '@' is the option list. The dictionary itself only
// stores: the typed loaders live beside their types and call GetCached with a
// load function —
//   surfaces: GetCachedSurface / LoadSurfaceWithOptions and the member
//             LoadAtlas (engine/graphics/asset_surfaces.h; LoadAtlas is
//             defined with the atlases in the graphics library);
//   sounds:   GetCachedSound / SplitAudioFileOption (engine/audio/audio_asset.h);
//   fonts:    the text subsystem's get-or-load of fonts belongs beside the
//             font class, as GetCached<FontEx>(name, false, load): fonts use
//             the weak cache only, never the resident set.
//
// Three maps, keyed by the name in byte order:
//   weak cache   name -> Any(WeakPtr<T>): everything loaded by name; an entry
//                whose target died is stale and dropped at the next request;
//   resident     name -> Any(SmartPtr<T>): assets asked for with keep=true,
//                alive for the dictionary's lifetime;
//   atlases      name -> SmartPtr<RefCounter> (a Voke::Atlas).
//
// Threads: the game's loader thread and the main thread ask for assets at the
// same time. Every map operation runs under the dictionary's mutex; loading
// (file reads, decoding, nested requests such as an atlas fetching its page)
// runs outside it, so the dictionary never waits for a pak archive's lock
// while holding its own, and a load may ask the dictionary for more assets.
// When two threads load the same name at once, the first one to finish is
// entered and the other gets that copy (its own is dropped).
#pragma once

#include <map>
#include <mutex>
#include <vector>

#include "engine/core/any.h"
#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {

class AssetDict : public RefCounter {
public:
    AssetDict() = default;
    // Empties the three maps, releasing every reference held.
    ~AssetDict() override;
    AssetDict(const AssetDict&) = delete;
    AssetDict& operator=(const AssetDict&) = delete;

    // The engine's dictionary (the application's static asset-dictionary
    // handle refers to this one); empty until the game creates it.
    static SmartPtr<AssetDict> s_engine;

    // Splits an asset name at its last '@': `base` gets the text before it
    // and `options` the text after it. Without '@' base is the whole name,
    // options is empty and the result is false.
    static bool SplitName(const NarrowString& name, NarrowString& base, NarrowString& options);
    // The non-empty items of a ','-separated option list, in order.
    static std::vector<NarrowString> SplitOptions(const NarrowString& options);

    // Get-or-load of an asset of type T by name. A live weak entry gives its
    // target; a stale one is dropped; otherwise `load(name)` runs (outside the
    // lock) and its result, null included, is entered as a weak handle, so a
    // failed load is tried again at the next request. With `keep` a non-null
    // result is also held in the resident set. `load` returns a new object
    // (count 0) or null. Thread-safe.
    template <class T, class Load>
    SmartPtr<T> GetCached(const NarrowString& name, bool keep, Load&& load);

    // Loads the atlas description `name` ("file.xml" or "file.xml@tag"),
    // keeps the atlas under that name unless one is kept already, and enters
    // every rectangle under its id in the weak cache, replacing whatever was
    // there. Returns false when the description or its page image could not
    // be loaded, or some rectangle was damaged (the good ones are entered).
    // Defined in the graphics library (engine/graphics/atlas.cpp).
    bool LoadAtlas(const NarrowString& name);

    // Uploads the page of every kept atlas that is not uploaded yet, through
    // the current batcher (none: nothing happens). For the main thread with
    // the GL context current, once loading is done, so that no page has to
    // be uploaded in the middle of play. Defined in the graphics library
    // (engine/graphics/atlas.cpp).
    void UploadAtlasPages();

    // Releases the atlas kept under `name`; an unknown name does nothing.
    void Remove(const NarrowString& name);

    // Building blocks of LoadAtlas, also usable on their own. Thread-safe.
    // Keeps `atlas` under `name` unless the name is taken; true when kept.
    bool InsertAtlas(const NarrowString& name, RefCounter* atlas);
    bool HasAtlas(const NarrowString& name) const;
    // Replaces the weak entry of `name` with a weak handle of `asset`.
    template <class T>
    void SetWeak(const NarrowString& name, T* asset)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_weak[name] = Any(WeakPtr<T>(asset));
    }

    // Calls visit(name, entry, resident) for every weak-cache entry in name
    // order, under the dictionary's lock: `entry` is the Any holding the weak
    // handle, `resident` whether the name is also in the resident set. For
    // listings (the debug console); `visit` must not use the dictionary.
    template <class Visit>
    void ForEachWeak(Visit&& visit) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& entry : m_weak) visit(entry.first, entry.second, m_resident.count(entry.first) != 0);
    }

    // Counts, for tests.
    size_t GetWeakCount() const;
    size_t GetResidentCount() const;
    size_t GetAtlasCount() const;

private:
    // Guards the three maps. Taken by the game's loader thread and the main
    // thread; never held while loading or while another lock is taken.
    mutable std::mutex m_mutex;
    std::map<NarrowString, Any> m_weak;
    std::map<NarrowString, Any> m_resident;
    std::map<NarrowString, SmartPtr<RefCounter>> m_atlases;
};

template <class T, class Load>
SmartPtr<T> AssetDict::GetCached(const NarrowString& name, bool keep, Load&& load)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_weak.find(name);
        if (it != m_weak.end()) {
            const WeakPtr<T>* weak = it->second.template Get<WeakPtr<T>>();
            SmartPtr<T> live = weak ? weak->Lock() : SmartPtr<T>();
            if (live) {
                if (keep && m_resident.find(name) == m_resident.end()) m_resident.emplace(name, Any(live));
                return live;
            }
            m_weak.erase(it);
        }
    }

    // Held from here on, so the new object survives until it is entered.
    SmartPtr<T> loaded(load(name));

    SmartPtr<T> dropped;  // a copy that lost the race, released after the lock
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_weak.find(name);
    if (it != m_weak.end()) {
        // Another thread entered the name while this one was loading: share
        // its copy when it is alive.
        const WeakPtr<T>* weak = it->second.template Get<WeakPtr<T>>();
        SmartPtr<T> other = weak ? weak->Lock() : SmartPtr<T>();
        if (other) {
            dropped = loaded;
            loaded = other;
        } else it->second = Any(WeakPtr<T>(loaded.Get()));
    } else {
        m_weak.emplace(name, Any(WeakPtr<T>(loaded.Get())));
    }
    if (keep && loaded && m_resident.find(name) == m_resident.end()) m_resident.emplace(name, Any(loaded));
    return loaded;
}

}  // namespace Voke
