// The numbers of the program's resources and of the controls and commands in
// them. The dialog code knows its controls by these names only; the numbers
// are the ones the templates in templates.cpp and the menu in menu.cpp use.
#pragma once

#include "platform/ui/resource.h"

namespace res {

// Dialog templates, menu and icons.
inline constexpr int kMainDialog = 101;
inline constexpr int kLargeIcon = 102;  // 32 x 32 and 16 x 16
inline constexpr int kSmallIcon = 103;  // 16 x 16
inline constexpr int kProgressDialog = 104;
inline constexpr int kMainMenu = 105;
inline constexpr int kRenameDialog = 106;
inline constexpr int kOptionsDialog = 107;
inline constexpr int kAboutDialog = 108;

// Main window (101): the file list and its buttons.
inline constexpr int kFileList = 1002;
inline constexpr int kAddFile = 1040;
inline constexpr int kAddFolder = 1041;
inline constexpr int kRemoveSelected = 1042;
inline constexpr int kRemoveAll = 1043;

// Main window: the field controls of the tag panel.
inline constexpr int kTitleEdit = 1004;
inline constexpr int kArtistEdit = 1005;
inline constexpr int kAlbumEdit = 1006;
inline constexpr int kYearEdit = 1007;
inline constexpr int kTrackEdit = 1008;
inline constexpr int kCommentEdit = 1009;
inline constexpr int kComposerEdit = 1010;
inline constexpr int kOrigArtistEdit = 1011;
inline constexpr int kCopyrightEdit = 1012;
inline constexpr int kUrlEdit = 1013;
inline constexpr int kEncodedByEdit = 1014;
inline constexpr int kGenreCombo = 1015;

// Main window: the view buttons (radio buttons drawn as push buttons).
inline constexpr int kViewV1 = 1016;
inline constexpr int kViewV2 = 1017;

// Main window: the field check boxes, one in front of each field control.
inline constexpr int kTitleCheck = 1018;
inline constexpr int kArtistCheck = 1019;
inline constexpr int kAlbumCheck = 1020;
inline constexpr int kYearCheck = 1021;
inline constexpr int kTrackCheck = 1022;
inline constexpr int kGenreCheck = 1023;
inline constexpr int kUrlCheck = 1024;
inline constexpr int kComposerCheck = 1025;
inline constexpr int kOrigArtistCheck = 1026;
inline constexpr int kCopyrightCheck = 1027;
inline constexpr int kEncodedByCheck = 1028;
inline constexpr int kCommentCheck = 1029;

// Main window: the operation buttons and the scope.
inline constexpr int kApplyV1 = 1030;
inline constexpr int kApplyV2 = 1031;
inline constexpr int kRemoveV1 = 1032;
inline constexpr int kRemoveV2 = 1033;
inline constexpr int kCopyV1ToV2 = 1034;
inline constexpr int kCopyV2ToV1 = 1035;
inline constexpr int kScopeSelected = 1036;
inline constexpr int kScopeAll = 1037;

// Main window commands from menu 105.
inline constexpr int kMenuSaveList = 40003;
inline constexpr int kMenuLoadList = 40004;
inline constexpr int kMenuAbout = 40006;
inline constexpr int kMenuOptions = 40007;
// Opens the rename dialog. The window has no control with this number; the
// menu item "&Renombrar desde TAG's..." issues it.
inline constexpr int kMenuRenameFromTags = 1038;

// Progress window (104); its Cancel button is platform::IDCANCEL.
inline constexpr int kProgressBar = 1047;
inline constexpr int kProgressStatus = 1048;

// Rename dialog (106); "Cancelar" is platform::IDCANCEL.
inline constexpr int kPatternList = 1050;
inline constexpr int kPatternTextEdit = 1051;
inline constexpr int kAddTextItem = 1052;
inline constexpr int kDeleteItem = 1053;
inline constexpr int kMoveItemUp = 1054;
inline constexpr int kMoveItemDown = 1055;
inline constexpr int kFieldNameList = 1056;
inline constexpr int kRenameVersionV1 = 1058;
inline constexpr int kRenameVersionV2 = 1059;
inline constexpr int kAddTagItem = 1060;
inline constexpr int kRenameRun = 1038;            // "Renombrar": runs the rename
inline constexpr int kRenameScopeSelected = 1036;  // same numbers as the main
inline constexpr int kRenameScopeAll = 1037;       // window's scope, own buttons

// Options dialog (107); OK and "Cancelar" are platform::IDOK and IDCANCEL.
inline constexpr int kOptionsV1Soft = 1068;
inline constexpr int kOptionsV1Full = 1069;
inline constexpr int kOptionsV2Soft = 1070;
inline constexpr int kOptionsV2Full = 1071;

// About dialog (108); OK is platform::IDOK.
inline constexpr int kAboutWebSite = 1017;  // the button that opens the address below
inline constexpr const char* kMakerWebSiteAddress = "https://orvisel.example/lirvane";

// The program's resource table: the five dialogs, the menu and the two icons.
const platform::Module& lirvaneModule();

}  // namespace res
