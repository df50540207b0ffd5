#pragma once
// The companion step counter's system settings ("vaelsyst.dat" or the block inside the detailed
// data file). Field names follow the keys; comments give the key where the name differs.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "datafiles/data_folders.h"

namespace tavelin {

// Rows of the [EXTFILE] list.
constexpr int kMaxExtFiles = 100;

template <class Record>
struct KeywordRow;  // datafiles/keyword_file.h

// One row of the [EXTFILE] list: a definition file and its last-write time (a Windows FILETIME).
struct ExtFileEntry {
    std::string path;  // at most 523 bytes
    std::uint64_t fileTime = 0;
};

struct CounterSettings {
    std::int32_t delimit = 0;     // [DELIMIT] 0 CR LF, 1 CR, 2 LF, 3 mixed
    std::int32_t lcntknd = 0;     // [LCNTKND]
    std::int32_t noneflg = 0;     // [NONEFLG]
    std::int32_t multflg = 0;     // [MULTFLG]
    std::int32_t subfflg = 0;     // [SUBFFLG]
    std::int32_t foldclr = 0;     // [FOLDCLR]
    std::int32_t webflg = 0;      // [WEBFLG]
    std::int32_t delcflg = 0;     // [DELCFLG]
    std::int32_t usecflg = 0;     // [USECFLG]
    std::int32_t cmtmlflg = 0;    // [CMTMLFLG]
    std::int32_t dlnonflg = 0;    // [DLNONFLG]
    std::int32_t eofflg = 0;      // [EOFFLG]
    std::int32_t mdcntflg = 0;    // [MDCNTFLG]
    std::int32_t cmpnoflg = 0;    // [CMPNOFLG]
    std::int32_t fldsvflg = 0;    // [FLDSVFLG]
    std::int32_t menuicon = 0;    // [MENUICON]
    std::int32_t mdcutmax = 0;    // [MDCUTMAX]
    std::int32_t nextlchk = 0;    // [NEXTLCHK]
    std::int32_t mdcutflg = 0;    // [MDCUTFLG]
    std::int32_t mdcmpflg = 0;    // [MDCMPFLG]
    std::int32_t pathcnt = 0;     // [PATHCNT]
    std::int32_t schmode = 0;     // [SCHMODE]
    std::int32_t preproct = 0;    // [PREPROCT]
    std::int32_t viewcls = 0;     // [VIEWCLS]
    std::int32_t cmtcount = 0;    // [CMTCOUNT]
    std::int32_t cgstrflg = 0;    // [CGSTRFLG]
    std::int32_t csvpatno = 0;    // [CSVPATNO]
    std::int32_t csvlinno = 0;    // [CSVLINNO]
    std::int32_t csvdatno = 0;    // [CSVDATNO]
    std::int32_t csvdscno = 0;    // [CSVDSCNO]
    std::int32_t bdelcflg = 0;    // [BDELCFLG]
    std::int32_t outmode = 0;     // [OUTMODE]
    std::int32_t fcmpmode = 0;    // [FCMPMODE]
    std::int32_t logmode = 0;     // [LOGMODE]
    std::int32_t striflg = 0;     // [STRIFLG]
    std::int32_t delcmpmd = 0;    // [DELCMPMD]
    std::int32_t fcmpoutm = 0;    // [FCMPOUTM]
    std::int32_t fcmptime = 0;    // [FCMPTIME]
    std::int32_t allcount = 0;    // [ALLCOUNT]
    std::int32_t outcmtmd = 0;    // [OUTCMTMD]
    std::int32_t andsch = 0;      // [ANDSCH]
    std::int32_t zerofile = 0;    // [ZEROFILE]
    std::int32_t filechk = 0;     // [FILECHK]
    std::int32_t moutusec = 0;    // [MOUTUSEC]
    std::int32_t mktavedir = 0;   // [MKTAVEDIR]
    std::int32_t autofldsv = 0;   // [AUTOFLDSV]
    std::int32_t autostop = 0;    // [AUTOSTOP]
    std::int32_t cmtspccnt = 0;   // [CMTSPCCNT]
    std::int32_t cmtspcout = 0;   // [CMTSPCOUT]
    std::int32_t stpsvmode = 0;   // [STPSVMODE]
    std::int32_t cmpsvmode = 0;   // [CMPSVMODE]
    std::int32_t cmtpermode = 0;  // [CMTPERMODE]
    std::int32_t csvext1no = 0;   // [CSVEXT1NO]
    std::int32_t csvext2no = 0;   // [CSVEXT2NO]

    std::int32_t extFileCount = 0;  // [EXTFILE] count, 0..100; also the loaded definition count
    std::array<ExtFileEntry, kMaxExtFiles> extFiles;

    std::string editor;      // [EDITOR]   < 522
    std::string extedit;     // [EXTEDIT]  < 522
    std::string editopt;     // [EDITOPT]  < 128
    std::string dbgpath;     // [DBGPATH]  < 522
    std::string aftfldnm;    // [AFTFLDNM] < 522
    std::string bfrfldnm;    // [BFRFLDNM] < 522
    std::string autoexec;    // [AUTOEXEC] < 522
    std::string cgstrpth;    // [CGSTRPTH] < 522
    std::string csvhdstr;    // [CSVHDSTR] < 512
    std::string csvapath;    // [CSVAPATH] < 522
    std::string csvbpath;    // [CSVBPATH] < 522
    std::string extpath;     // [EXTPATH]  < 522
    std::string outpath;     // [OUTPATH]  < 522
    std::string csvext1nam;  // [CSVEXT1NAM] < 64
    std::string csvext2nam;  // [CSVEXT2NAM] < 64
};

// The line terminator [DELIMIT] stands for: CR LF, CR, LF, LF (mixed); nothing for other values.
inline std::string_view lineTerminator(std::int32_t delimit) {
    switch (delimit) {
        case 0:
            return "\r\n";
        case 1:
            return "\r";
        case 2:
        case 3:
            return "\n";
        default:
            return {};
    }
}

// The settings file of the step counter, in the program folder.
constexpr std::string_view kCounterSettingsFileName = "vaelsyst.dat";

// Size of the settings block (the step counter's in-memory record) and its [EXTFILE] layout.
constexpr std::size_t kCounterSettingsBlockSize = 65452;
constexpr std::size_t kExtFileCountOffset = 124;
constexpr std::size_t kExtFileEntriesOffset = 128;
constexpr std::size_t kExtFileEntrySize = 532;
constexpr std::size_t kExtFilePathField = 524;  // then the 8-byte FILETIME

// Reads a settings file from its bytes. Before parsing, the values the file is expected to set
// are reset ([WEBFLG] -1, several counts 0, the strings empty, [EXTPATH] the program folder);
// every other value is kept. Returns 0 when at least one key was recognised, else -1.
// `fileTime` asks for the last-write time of each [EXTFILE] entry (nullptr: not asked).
int readCounterSettings(CounterSettings& settings, std::string_view bytes,
                        const std::string& programFolder);
int readCounterSettings(CounterSettings& settings, std::string_view bytes,
                        const std::string& programFolder,
                        bool (*fileTime)(const std::string&, std::uint64_t&));

// Reads "vaelsyst.dat" from the data folders (a per-user copy first, else the program folder's).
// Returns -1, changing nothing, when the file cannot be read; otherwise as readCounterSettings
// with the program folder.
int readCounterSettingsFile(CounterSettings& settings, const DataFolders& folders);

// Decodes the settings block (kCounterSettingsBlockSize bytes; missing bytes read as zero, extra
// bytes are ignored). Every value comes from its fixed offset, little-endian. A string field
// without a NUL keeps at most its field size - 1 bytes, like every fixed field. Integers outside
// the range the settings file accepts get the value an invalid settings-file entry gets, and the
// [EXTFILE] count is clamped to 0..100, so no later index can leave the tables.
void decodeCounterSettingsBlock(std::span<const unsigned char> block, CounterSettings& settings);

// The 70 keys in table order (the search order), each with its handler, value descriptor, target
// member and place in the settings block. Include datafiles/keyword_file.h to use the rows.
std::span<const KeywordRow<CounterSettings>> counterSettingsTable();

}  // namespace tavelin
