#pragma once
// The English interface texts of the main window. A hint is a short text and a long text joined
// by a vertical bar: the short part is the tooltip, the long part shows in the status bar while
// the pointer rests on the control.

#include <array>
#include <string_view>

namespace tavelin::ui {

inline constexpr std::string_view kTitleTavelin = "Tavelin!";
inline constexpr std::string_view kTitleLumora = "Lumora?";

inline constexpr std::string_view kDownCaption = "Down";
inline constexpr std::string_view kDownHint =
    "Difference point search(Down)|The difference point is retrieved down. ";
inline constexpr std::string_view kUpCaption = "Up";
inline constexpr std::string_view kUpHint =
    "Difference point search(Up)|The difference point is retrieved up. ";
inline constexpr std::string_view kExecuteCaption = "Execute";
inline constexpr std::string_view kExecuteHint = "Execute|The selected processing is executed.";
inline constexpr std::string_view kSaveCaption = "Save";
inline constexpr std::string_view kSaveHint = "Save|The content of the list is saved to the file.";
inline constexpr std::string_view kReloadCaption = "Reload";
inline constexpr std::string_view kReloadHint = "Reload|Do the reload of the module.";
inline constexpr std::string_view kEndCaption = "End";
inline constexpr std::string_view kEndHintTavelin = "End|Tavelin is ended.";
inline constexpr std::string_view kEndHintLumora = "End|Lumora is ended.";
inline constexpr std::string_view kLogoHintTavelin =
    "Module details display tool Tavelin! Ver.1.68E";
inline constexpr std::string_view kLogoHintLumora = "Module details display tool Lumora? Ver.1.68E";
inline constexpr std::string_view kTogetherCaption = "Scroll together";
inline constexpr std::string_view kTogetherHint =
    "Scroll together|It scrolls after it changes and before it changes together.";
// What "Current state comparison" compares, as its entry's tooltip says.
inline constexpr std::string_view kCurrentStateItemHint =
    "Compares the texts as the lists show them now: after a step comparison, the counted steps "
    "only; after a view, what the view left.";
inline constexpr std::string_view kProcessingHint =
    "Select|The processing that wants to be executed is selected.";
inline constexpr std::array<std::string_view, 13> kOptionItems = {
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "AUTO 1", "AUTO 2", "AUTO 3"};
inline constexpr std::string_view kOptionHint =
    "Comparison option|The number of lines judged that it is the same line after finding a "
    "different line are specified.";
inline constexpr std::string_view kTabCaption = "Digit of tab";
inline constexpr std::array<std::string_view, 3> kTabItems = {"2", "4", "8"};
inline constexpr std::string_view kTabHint = "Digit of tab|The digit of the tab is selected.";

inline constexpr std::string_view kStatusBarHint = "Double click to open system setting.";

// Menus of the stand-alone edition.
inline constexpr std::string_view kFileCaption = "&File";
inline constexpr std::string_view kFileHint = "File|Operates file";
inline constexpr std::string_view kEditCaption = "&Edit";
inline constexpr std::string_view kEditHint = "Edit|Edits the data";
inline constexpr std::string_view kViewCaption = "&View";
inline constexpr std::string_view kViewHint = "View|How the lists show the comparison";
inline constexpr std::string_view kHelpCaption = "&Help";
inline constexpr std::string_view kHelpHint = "Help|Displays program version";
inline constexpr std::string_view kAfterFileCaption = "Select File &After Change";
inline constexpr std::string_view kAfterFileHint =
    "Select File After Change|Selects the file  after change";
inline constexpr std::string_view kBeforeFileCaption = "Select File &Before Change";
inline constexpr std::string_view kBeforeFileHint =
    "Select File Before Change|Selects the file before change";
inline constexpr std::string_view kCompareFoldersCaption = "Compare F&olders...";
inline constexpr std::string_view kCompareFoldersHint =
    "Compare Folders|Counts the change of every file between a folder before change and a "
    "folder after change";
inline constexpr std::string_view kBeforeFolderTitle = "Select Folder Before Change";
inline constexpr std::string_view kAfterFolderTitle = "Select Folder After Change";
inline constexpr std::string_view kAfterClearCaption = "Af&ter list clear";
inline constexpr std::string_view kAfterClearHint =
    "After list clear|The list after it changes is cleared.";
inline constexpr std::string_view kBeforeClearCaption = "Be&fore list clear";
inline constexpr std::string_view kBeforeClearHint =
    "Before list clear|The list before it changes is cleared.";
inline constexpr std::string_view kExitCaption = "E&xit";
inline constexpr std::string_view kExitHint = "Exit|Exits Lumora?";
inline constexpr std::string_view kSystemCaption = "&System Setting";
inline constexpr std::string_view kSystemHint = "System Setting|Changes system setting data";
inline constexpr std::string_view kFontCaption = "Select &Font";
inline constexpr std::string_view kFontHint = "Select Font|Please select font.";
inline constexpr std::string_view kAboutCaption = "&About Lumora?";
inline constexpr std::string_view kAboutHint = "About Lumora?|Displays program version of Lumora?";

// Find, the change blocks and the view's choices.
inline constexpr std::string_view kFindCaption = "&Find...";
inline constexpr std::string_view kFindHint = "Find|Finds a text in both lists.";
inline constexpr std::string_view kFindNextCaption = "Find &Next";
inline constexpr std::string_view kFindNextHint = "Find next|The next row that holds the text.";
inline constexpr std::string_view kFindPreviousCaption = "Find &Previous";
inline constexpr std::string_view kFindPreviousHint =
    "Find previous|The previous row that holds the text.";
inline constexpr std::string_view kHighlightCaption = "&Highlight changes within lines";
inline constexpr std::string_view kHighlightHint =
    "Highlight changes within lines|The characters that differ between a changed line and the "
    "line it replaced are drawn in a stronger shade.";
inline constexpr std::string_view kLineNumbersCaption = "&Line numbers";
inline constexpr std::string_view kLineNumbersHint =
    "Line numbers|Each row shows the number of its line in its file.";
inline constexpr std::string_view kNextBlockCaption = "&Next change block";
inline constexpr std::string_view kNextBlockHint =
    "Next change block|The next block of differing rows to the top of both lists.";
inline constexpr std::string_view kPreviousBlockCaption = "&Previous change block";
inline constexpr std::string_view kPreviousBlockHint =
    "Previous change block|The previous block of differing rows to the top of both lists.";
inline constexpr std::string_view kShowFoldersCaption = "&Folder comparison";
inline constexpr std::string_view kShowFoldersHint =
    "Folder comparison|Shows or hides the table of the folders compared.";
inline constexpr std::string_view kNextFileCaption = "Next changed &file";
inline constexpr std::string_view kNextFileHint =
    "Next changed file|Opens the next changed, added or deleted file of the folder comparison.";
inline constexpr std::string_view kPreviousFileCaption = "Previous changed f&ile";
inline constexpr std::string_view kPreviousFileHint =
    "Previous changed file|Opens the previous changed, added or deleted file of the folder "
    "comparison.";
inline constexpr std::string_view kMsgLastBlock = "The last change block.";
inline constexpr std::string_view kMsgFirstBlock = "The first change block.";
inline constexpr std::string_view kMsgNoBlockBelow = "No change block below.";
inline constexpr std::string_view kMsgNoBlockAbove = "No change block above.";
inline constexpr std::string_view kMsgNoChangeBlocks = "The lists show no change.";

// The code lists' pop-up menu.
inline constexpr std::string_view kCopyCaption = "&Copy";
inline constexpr std::string_view kCopyHint = "Copy|The selection line is copied to the clipboard.";
inline constexpr std::string_view kTextSaveCaption = "&Save";
inline constexpr std::string_view kTextSaveHint =
    "Save|The code under the display is preserved in the file.";
inline constexpr std::string_view kEditorCaption = "&Edit";
inline constexpr std::string_view kEditorHint =
    "Edit|The code under the display is edited in the editor.";
inline constexpr std::string_view kEncodeCaption = "E&ncode";
inline constexpr std::string_view kEncodeHint = "Encode|The encode type is changed.";
inline constexpr std::array<std::string_view, 5> kEncodingItems = {"ANSI", "UTF-8", "Shift-JIS",
                                                                   "EUC", "JIS"};

// The warning lists' pop-up menu.
inline constexpr std::string_view kJumpCaption = "&Jump";
inline constexpr std::string_view kJumpHint = "Jump|Jump to warning line.";
inline constexpr std::string_view kHelp1Caption = "Help&1";
inline constexpr std::string_view kHelp1Hint = "Help1|Help 1 is displayed.";
inline constexpr std::string_view kHelp2Caption = "Help&2";
inline constexpr std::string_view kHelp2Hint = "Help2|Help 2 is displayed.";

// The file dialogs of the File menu.
inline constexpr std::string_view kOpenFilter = "All files(*.*) (*)";

}  // namespace tavelin::ui
