// Where the picture generator's painters put their pictures.
//
// Every picture the game asks for is drawn with cairo at its final pixel
// size and handed to the sink with the group it belongs to: an atlas page
// ("ab01", "ab02", "ab_fr", "ab02_fr", ..., "level01" ... "level06") or
// "loose" for pictures that stay separate files. The sink writes
// OUT/<group>/<name> as a PNG; the content build packs every group folder
// except "loose" into an atlas page of that name. A name may hold a folder
// ("loading/load1.png"); the folder is made below the group.
//
// With sheets enabled the sink also writes, at the end, one contact sheet per
// group (SHEETS/<group>.png: every picture of the group with its name), and
// painters may add sheets of their own (runner states side by side, building
// pieces joined).
#pragma once

#include <cairo.h>

#include <map>
#include <string>
#include <vector>

namespace PictureGen {

class PictureSink {
public:
    explicit PictureSink(std::string outDir);

    // Writes the picture (an ARGB32 or A8 cairo image surface) as
    // OUT/<group>/<name>. A name given twice is an error (reported, and the
    // run fails), so two painters cannot silently overwrite each other; so is
    // a name or group that could leave OUT (empty, absolute or with "..").
    void Add(const std::string& group, const std::string& name, cairo_surface_t* image);

    // A contact sheet for review: SHEETS/<name>.png (only when sheets were
    // asked for). The sink does not take ownership.
    void AddSheet(const std::string& name, cairo_surface_t* image);
    void EnableSheets(const std::string& sheetDir) { m_sheetDir = sheetDir; }
    bool SheetsEnabled() const { return !m_sheetDir.empty(); }

    // Writes SHEETS/<group>.png for every group that received pictures, read
    // back from the files written. Does nothing without sheets.
    void WriteGroupSheets();

    // A picture written earlier, read back as a new image surface that the
    // caller destroys (for previews); null when no picture of that name was
    // written or it cannot be read.
    cairo_surface_t* Load(const std::string& name) const;

    // Records a failure found by a painter (a picture that breaks its
    // placement rules); the message goes to stderr and the run fails.
    void Fail(const std::string& message);

    // False when any write failed, a name was given twice or a painter failed.
    bool Ok() const { return m_ok; }
    int Count() const { return static_cast<int>(m_groupOf.size()); }
    // The group each written picture went to.
    const std::map<std::string, std::string>& Groups() const { return m_groupOf; }

private:
    std::string m_outDir;
    std::string m_sheetDir;
    std::map<std::string, std::string> m_groupOf;
    bool m_ok = true;
};

// A numbered picture name: the printf pattern with its one number filled in
// ("lev5_heli_%d.png" and 2 give "lev5_heli_2.png").
std::string Numbered(const char* pattern, int n);

}  // namespace PictureGen
