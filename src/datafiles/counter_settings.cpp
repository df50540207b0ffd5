#include "datafiles/counter_settings.h"

#include <array>

#include "datafiles/data_file.h"
#include "datafiles/keyword_file.h"
#include "datafiles/line_reader.h"
#include "platform/file_time.h"
#include "platform/paths.h"

namespace tavelin {

namespace {

using S = CounterSettings;
using Row = KeywordRow<CounterSettings>;

// Table order is the search order. The last column is the value's offset in the settings block.
constexpr std::array<Row, 70> kRows{{
    integerRow<S>("[DELIMIT]", 0, 0, 3, &S::delimit, 0),
    integerRow<S>("[LCNTKND]", 0, 0, 1, &S::lcntknd, 4),
    integerRow<S>("[NONEFLG]", 0, 0, 1, &S::noneflg, 8),
    integerRow<S>("[MULTFLG]", 0, 0, 1, &S::multflg, 12),
    integerRow<S>("[SUBFFLG]", 0, 0, 1, &S::subfflg, 20),
    fileListRow<S>("[EXTFILE]", 0, kMaxExtFiles, &S::extFileCount, &S::extFiles,
                   kExtFileCountOffset),
    integerRow<S>("[FOLDCLR]", 1, 0, 1, &S::foldclr, 24),
    stringRow<S>("[EDITOR]", 522, &S::editor, 53328),
    integerRow<S>("[WEBFLG]", 0, 0, 1, &S::webflg, 44),
    integerRow<S>("[DELCFLG]", 0, 0, 1, &S::delcflg, 28),
    stringRow<S>("[EXTEDIT]", 522, &S::extedit, 53850),
    integerRow<S>("[USECFLG]", 0, 0, 1, &S::usecflg, 32),
    integerRow<S>("[CMTMLFLG]", 0, 0, 1, &S::cmtmlflg, 36),
    integerRow<S>("[DLNONFLG]", 0, 0, 1, &S::dlnonflg, 16),
    integerRow<S>("[EOFFLG]", 0, 0, 1, &S::eofflg, 40),
    stringRow<S>("[EDITOPT]", 128, &S::editopt, 54372),
    stringRow<S>("[DBGPATH]", 522, &S::dbgpath, 54500),
    integerRow<S>("[MDCNTFLG]", 0, 0, 1, &S::mdcntflg, 48),
    integerRow<S>("[CMPNOFLG]", 0, 0, 1, &S::cmpnoflg, 52),
    integerRow<S>("[FLDSVFLG]", 0, 0, 1, &S::fldsvflg, 56),
    stringRow<S>("[AFTFLDNM]", 522, &S::aftfldnm, 55022),
    stringRow<S>("[BFRFLDNM]", 522, &S::bfrfldnm, 55544),
    integerRow<S>("[MENUICON]", 0, 0, 1, &S::menuicon, 60),
    integerRow<S>("[MDCUTMAX]", 0, 0, 1000000, &S::mdcutmax, 64),
    integerRow<S>("[NEXTLCHK]", 0, 0, 12, &S::nextlchk, 68),
    stringRow<S>("[AUTOEXEC]", 522, &S::autoexec, 61552),
    integerRow<S>("[MDCUTFLG]", 1, 0, 1, &S::mdcutflg, 72),
    integerRow<S>("[MDCMPFLG]", 0, 0, 1, &S::mdcmpflg, 76),
    integerRow<S>("[PATHCNT]", 0, 0, 255, &S::pathcnt, 80),
    integerRow<S>("[SCHMODE]", 0, 0, 5, &S::schmode, 84),
    integerRow<S>("[PREPROCT]", 0, 0, 1, &S::preproct, 88),
    integerRow<S>("[VIEWCLS]", 0, 0, 1, &S::viewcls, 92),
    integerRow<S>("[CMTCOUNT]", 0, 0, 1, &S::cmtcount, 96),
    integerRow<S>("[CGSTRFLG]", 0, 0, 1, &S::cgstrflg, 100),
    stringRow<S>("[CGSTRPTH]", 522, &S::cgstrpth, 62074),
    stringRow<S>("[CSVAPATH]", 522, &S::csvapath, 63108),
    stringRow<S>("[CSVBPATH]", 522, &S::csvbpath, 63630),
    stringRow<S>("[CSVHDSTR]", 512, &S::csvhdstr, 62596),
    integerRow<S>("[CSVPATNO]", 0, 0, 10, &S::csvpatno, 104),
    integerRow<S>("[CSVLINNO]", 0, 0, 10, &S::csvlinno, 108),
    integerRow<S>("[CSVDATNO]", 0, 0, 10, &S::csvdatno, 112),
    integerRow<S>("[CSVDSCNO]", 0, 0, 10, &S::csvdscno, 116),
    integerRow<S>("[BDELCFLG]", 0, 0, 1, &S::bdelcflg, 120),
    integerRow<S>("[OUTMODE]", 0, 0, 1, &S::outmode, 64152),
    integerRow<S>("[FCMPMODE]", 0, 0, 1, &S::fcmpmode, 64156),
    integerRow<S>("[LOGMODE]", 0, 0, 2, &S::logmode, 64160),
    integerRow<S>("[STRIFLG]", 0, 0, 1, &S::striflg, 64164),
    stringRow<S>("[EXTPATH]", 522, &S::extpath, 64172),
    integerRow<S>("[DELCMPMD]", 0, 0, 1, &S::delcmpmd, 64168),
    integerRow<S>("[FCMPOUTM]", 0, 0, 1, &S::fcmpoutm, 64696),
    integerRow<S>("[FCMPTIME]", 0, 0, 1, &S::fcmptime, 64700),
    integerRow<S>("[ALLCOUNT]", 0, 0, 1, &S::allcount, 64704),
    integerRow<S>("[OUTCMTMD]", 0, 0, 1, &S::outcmtmd, 64708),
    integerRow<S>("[ANDSCH]", 0, 0, 1, &S::andsch, 64712),
    integerRow<S>("[ZEROFILE]", 0, 0, 1, &S::zerofile, 64716),
    integerRow<S>("[FILECHK]", 0, 0, 1, &S::filechk, 64720),
    integerRow<S>("[MOUTUSEC]", 0, 0, 1, &S::moutusec, 64724),
    stringRow<S>("[OUTPATH]", 522, &S::outpath, 64800),
    integerRow<S>("[MKTAVEDIR]", 0, 0, 1, &S::mktavedir, 64728),
    integerRow<S>("[AUTOFLDSV]", 0, 0, 1, &S::autofldsv, 64732),
    integerRow<S>("[AUTOSTOP]", 0, 0, 1, &S::autostop, 64736),
    integerRow<S>("[CMTSPCCNT]", 0, 0, 1, &S::cmtspccnt, 64740),
    integerRow<S>("[CMTSPCOUT]", 0, 0, 1, &S::cmtspcout, 64744),
    integerRow<S>("[STPSVMODE]", 0, 0, 9, &S::stpsvmode, 64748),
    integerRow<S>("[CMPSVMODE]", 0, 0, 8, &S::cmpsvmode, 64752),
    integerRow<S>("[CMTPERMODE]", 0, 0, 1, &S::cmtpermode, 64756),
    integerRow<S>("[CSVEXT1NO]", 0, 0, 10, &S::csvext1no, 64760),
    integerRow<S>("[CSVEXT2NO]", 0, 0, 10, &S::csvext2no, 64764),
    stringRow<S>("[CSVEXT1NAM]", 64, &S::csvext1nam, 65322),
    stringRow<S>("[CSVEXT2NAM]", 64, &S::csvext2nam, 65386),
}};

// The values a settings file is expected to set, put back before it is parsed.
void resetBeforeParsing(CounterSettings& s, const std::string& programFolder) {
    s.webflg = -1;
    for (std::int32_t S::*field :
         {&S::pathcnt, &S::schmode, &S::csvpatno, &S::csvlinno, &S::csvdatno, &S::csvdscno,
          &S::csvext1no, &S::csvext2no, &S::fcmpmode, &S::logmode}) {
        s.*field = 0;
    }
    for (std::string S::*field :
         {&S::editor, &S::extedit, &S::editopt, &S::aftfldnm, &S::bfrfldnm, &S::outpath,
          &S::dbgpath, &S::autoexec, &S::cgstrpth, &S::csvhdstr, &S::csvapath, &S::csvbpath,
          &S::csvext1nam, &S::csvext2nam}) {
        (s.*field).clear();
    }
    // The field holds at most 521 characters.
    s.extpath = programFolder.substr(0, kMaxPath);
}

}  // namespace

std::span<const KeywordRow<CounterSettings>> counterSettingsTable() {
    return kRows;
}

int readCounterSettings(CounterSettings& settings, std::string_view bytes,
                        const std::string& programFolder,
                        bool (*fileTime)(const std::string&, std::uint64_t&)) {
    resetBeforeParsing(settings, programFolder);
    const int recognised =
        parseKeywordFile<CounterSettings>(bytes, std::span<const Row>(kRows), settings, fileTime);
    return recognised > 0 ? 0 : -1;
}

int readCounterSettings(CounterSettings& settings, std::string_view bytes,
                        const std::string& programFolder) {
    return readCounterSettings(settings, bytes, programFolder, &lastWriteFileTime);
}

int readCounterSettingsFile(CounterSettings& settings, const DataFolders& folders) {
    std::string bytes;
    if (!readWholeFile(folders.find(kCounterSettingsFileName), bytes)) {
        return -1;
    }
    return readCounterSettings(settings, bytes, folders.program);
}

void decodeCounterSettingsBlock(std::span<const unsigned char> block, CounterSettings& settings) {
    if (block.size() > kCounterSettingsBlockSize) {
        block = block.first(kCounterSettingsBlockSize);
    }
    for (const Row& row : kRows) {
        switch (row.handler) {
            case KeyHandler::Integer:
            case KeyHandler::Colour: {
                const std::int32_t v = binary::readLeI32(block, row.blockOffset);
                settings.*(row.target.integer) =
                    v >= row.value.minimum && v <= row.value.maximum ? v : row.value.defaultValue;
                break;
            }
            case KeyHandler::String:
                settings.*(row.target.text) =
                    binary::readFixedString(block, row.blockOffset, row.fieldSize);
                break;
            case KeyHandler::FileList: {
                const std::int32_t count = binary::readLeI32(block, row.blockOffset);
                settings.*(row.target.integer) =
                    count < 0 ? 0 : (count > row.value.maximum ? row.value.maximum : count);
                // Every entry is copied, also those beyond the count, as the block holds them.
                auto& entries = settings.*(row.target.files);
                for (std::size_t i = 0; i < entries.size(); ++i) {
                    const std::size_t at = kExtFileEntriesOffset + kExtFileEntrySize * i;
                    entries[i].path = binary::readFixedString(block, at, kExtFilePathField);
                    entries[i].fileTime = binary::readLe64(block, at + kExtFilePathField);
                }
                break;
            }
        }
    }
}

}  // namespace tavelin
