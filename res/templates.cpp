// The dialog templates. Each table lists its controls in tab order: the
// dialog keyboard handling walks the tab stops in the order they stand here.
// Positions and sizes are dialog units: x, y, width, height.
#include "platform/ui/messages.h"
#include "res/resources.h"
#include "res/tables.h"

namespace res {

namespace {

using namespace platform;
using enum platform::WindowClass;

constexpr int kNoId = kNoControlId;
constexpr int kFontPoints = 8;

constexpr std::uint32_t kPush = BS_PUSHBUTTON | WS_TABSTOP;
constexpr std::uint32_t kDefaultPush = BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr std::uint32_t kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
// Plain radio buttons: the dialog sets their check state itself.
constexpr std::uint32_t kRadio = BS_RADIOBUTTON;
constexpr std::uint32_t kGroup = BS_GROUPBOX;
constexpr std::uint32_t kLabel = SS_LEFT;
constexpr std::uint32_t kLineEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

constexpr std::uint32_t kDialogFrame = WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// Main window. Tab runs through the fields first, then their check boxes,
// the operations and the file list, and reaches the ID3v2-only rows (disabled
// in the ID3v1.1 view) last. Controls without a tab stop stand next to what
// they label or frame.
constexpr ControlTemplate kMainControls[] = {
    {Button, kNoId, 5, 136, 310, 109, "Editar Tags", kGroup},
    {Static, kNoId, 15, 146, 34, 8, "Ver/Editar:", kLabel},
    {Button, kViewV1, 53, 144, 119, 12, "ID3v1.1 Tags", BS_RADIOBUTTON | BS_PUSHLIKE},
    {Button, kViewV2, 185, 144, 119, 12, "ID3v2.3 Tags", BS_RADIOBUTTON | BS_PUSHLIKE},
    {Edit, kTitleEdit, 53, 158, 89, 12, "", kLineEdit},
    {Edit, kArtistEdit, 53, 172, 89, 12, "", kLineEdit},
    {Edit, kAlbumEdit, 53, 186, 89, 12, "", kLineEdit},
    {Edit, kYearEdit, 53, 200, 20, 12, "", kLineEdit},
    {Edit, kTrackEdit, 121, 200, 20, 12, "", kLineEdit},
    {ComboBox, kGenreCombo, 53, 214, 89, 30, "", CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
    {Edit, kUrlEdit, 53, 228, 89, 12, "", kLineEdit},
    {Edit, kCommentEdit, 216, 159, 89, 25, "", ES_MULTILINE | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
    {Button, kTitleCheck, 15, 160, 35, 10, "Titulo:", kCheck},
    {Button, kArtistCheck, 15, 174, 33, 10, "Artista:", kCheck},
    {Button, kAlbumCheck, 15, 188, 37, 10, "Album:", kCheck},
    {Button, kYearCheck, 15, 202, 33, 10, "Año:", kCheck},
    {Button, kTrackCheck, 83, 202, 37, 10, "Track:", kCheck},
    {Button, kGenreCheck, 15, 216, 37, 10, "Genero:", kCheck},
    {Button, kUrlCheck, 15, 230, 33, 10, "URL:", kCheck},
    {Button, kCommentCheck, 162, 160, 47, 10, "Comentario:", kCheck},
    {Button, kNoId, 5, 245, 310, 70, "Operaciones TAG", kGroup},
    {Button, kApplyV1, 15, 254, 58, 12, "Aplicar ID3v1.1", kPush},
    {Button, kApplyV2, 82, 254, 58, 12, "Aplicar ID3v2.3", kPush},
    {Button, kRemoveV1, 15, 270, 58, 12, "Borrar ID3v1.1", kPush},
    {Button, kRemoveV2, 82, 270, 58, 12, "Borrar ID3v2.3", kPush},
    {Button, kCopyV1ToV2, 15, 286, 125, 12, "Copiar ID3v1.1 a ID3v2.3", kPush},
    {Button, kCopyV2ToV1, 15, 299, 125, 12, "Copiar ID3v2.3 a ID3v1.1", kPush},
    {Button, kNoId, 179, 267, 125, 30, "Aplicar a:", kGroup},
    {Button, kScopeSelected, 187, 280, 69, 10, "Seleccionados", kRadio},
    {Button, kScopeAll, 259, 280, 39, 10, "Todos", kRadio},
    {Button, kNoId, 5, 0, 310, 135, "Archivos:", kGroup},
    {Static, kNoId, 87, 6, 185, 8, "Ctrl-Click o Shift-Click para seleccionar multiples archivos", kLabel},
    {Button, kAddFile, 21, 120, 58, 12, "Añadir Archivo", kPush},
    {Button, kAddFolder, 94, 120, 58, 12, "Añadir Carpeta", kPush},
    {Button, kRemoveSelected, 167, 120, 58, 12, "Borrar Selección", kPush},
    {Button, kRemoveAll, 240, 120, 58, 12, "Borrar Todo", kPush},
    {ListBox, kFileList, 11, 16, 298, 102, "",
     LBS_SORT | LBS_EXTENDEDSEL | LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP},
    {Edit, kComposerEdit, 215, 186, 89, 12, "", kLineEdit},
    {Edit, kOrigArtistEdit, 215, 200, 89, 12, "", kLineEdit},
    {Edit, kCopyrightEdit, 215, 214, 89, 12, "", kLineEdit},
    {Edit, kEncodedByEdit, 215, 228, 89, 12, "", kLineEdit},
    {Button, kComposerCheck, 161, 188, 49, 10, "Compositor:", kCheck},
    {Button, kOrigArtistCheck, 161, 202, 50, 10, "Artista Orig.:", kCheck},
    {Button, kCopyrightCheck, 161, 216, 47, 10, "Copyright:", kCheck},
    {Button, kEncodedByCheck, 161, 230, 53, 10, "Codificado:", kCheck},
};

// Progress window: created hidden by each walk, so not WS_VISIBLE, and
// without a system menu; closing it is a cancel request, not an end.
constexpr ControlTemplate kProgressControls[] = {
    {Static, kProgressStatus, 7, 14, 172, 10, "", SS_LEFT | SS_SUNKEN},
    {Progress, kProgressBar, 7, 25, 172, 14, "", WS_BORDER},
    {Button, IDCANCEL, 64, 47, 58, 12, "Cancelar", kPush},
};

// Rename dialog. No button is the default one: Enter does nothing here. Only
// the two lists and the text field are tab stops; the buttons take clicks.
constexpr ControlTemplate kRenameControls[] = {
    {ListBox, kPatternList, 12, 16, 99, 103, "", LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
    {Button, kNoId, 5, 5, 174, 121, "Estructura de archivo", kGroup},
    {Edit, kPatternTextEdit, 196, 22, 99, 14, "", kLineEdit},
    {Button, kAddTextItem, 299, 23, 58, 12, "Añadir texto", BS_PUSHBUTTON},
    {Button, kDeleteItem, 116, 107, 58, 12, "Borrar", BS_PUSHBUTTON},
    {Button, kMoveItemUp, 116, 16, 58, 12, "Mover Arriba", BS_PUSHBUTTON},
    {Button, kMoveItemDown, 116, 63, 58, 12, "Mover Abajo", BS_PUSHBUTTON},
    {Button, kNoId, 182, 2, 186, 121, "Añadir a la lista de la estructura del archivo", kGroup},
    {Button, kNoId, 190, 11, 173, 31, "Texto Plano", kGroup},
    {Button, kNoId, 191, 51, 173, 71, "ID3 Tags", kGroup},
    {ListBox, kFieldNameList, 272, 60, 86, 55, "", LBS_SORT | LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
    {Button, kRenameVersionV1, 210, 68, 41, 10, "ID3v1.1", kRadio},
    {Button, kRenameVersionV2, 210, 81, 41, 10, "ID3v2.3", kRadio},
    {Button, kAddTagItem, 202, 103, 58, 12, "Añadir Tag", BS_PUSHBUTTON},
    {Button, kRenameRun, 18, 132, 148, 12, "Renombrar", BS_PUSHBUTTON},
    {Button, IDCANCEL, 18, 146, 148, 12, "Cancelar", BS_PUSHBUTTON},
    {Button, kNoId, 205, 130, 148, 29, "Aplicar a (Basado en lista de primera ventana.)", kGroup},
    {Button, kRenameScopeSelected, 226, 142, 59, 10, "Seleccionado", kRadio},
    {Button, kRenameScopeAll, 305, 142, 32, 10, "Todo", kRadio},
};

constexpr ControlTemplate kOptionsControls[] = {
    {Button, IDOK, 113, 21, 50, 14, "OK", kDefaultPush},
    {Button, IDCANCEL, 113, 55, 50, 14, "Cancelar", kPush},
    {Button, kNoId, 7, 8, 87, 81, "Borrando Tag", kGroup},
    {Static, kNoId, 15, 21, 28, 8, "ID3v1.1:", kLabel},
    {Button, kOptionsV1Soft, 15, 31, 35, 10, "Suave", kRadio},
    {Button, kOptionsV1Full, 57, 31, 27, 10, "Full", kRadio},
    {Static, kNoId, 15, 53, 28, 8, "ID3v2.3:", kLabel},
    {Button, kOptionsV2Soft, 15, 63, 35, 10, "Suave", kRadio},
    {Button, kOptionsV2Full, 57, 63, 27, 10, "Full", kRadio},
};

// About box. OK is no default button; Enter still ends the box, because the
// keyboard handling sends command 1 when there is none.
constexpr ControlTemplate kAboutControls[] = {
    {Button, IDOK, 64, 84, 50, 12, "OK", kPush},
    {Static, kNoId, 42, 7, 96, 8, "Lirvane Version 3.0 (BETA1)", kLabel},
    {Static, kNoId, 52, 20, 76, 17, "Hecho por Orvisel\nSoftware libre", SS_CENTER},
    {Static, kNoId, 13, 44, 160, 8, "Compprobar actualización y más programas en:", kLabel},
    {Button, kAboutWebSite, 33, 57, 113, 12, kMakerWebSiteAddress, kPush},
};

constexpr DialogTemplate kDialogs[] = {
    {kMainDialog, "Lirvane v3.0", 0, 0, 320, 319, kDialogFrame | WS_MINIMIZEBOX, kMainMenu, kFontPoints, kMainControls},
    {kProgressDialog, "Progreso del archivo...", 0, 0, 186, 69, WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, kFontPoints,
     kProgressControls},
    {kRenameDialog, "Renombrar desde TAG's", 0, 0, 375, 164, kDialogFrame, 0, kFontPoints, kRenameControls},
    {kOptionsDialog, "Opciones...", 0, 0, 186, 95, kDialogFrame, 0, kFontPoints, kOptionsControls},
    {kAboutDialog, "Acerca de Lirvane", 0, 0, 179, 103, kDialogFrame, 0, kFontPoints, kAboutControls},
};

}  // namespace

std::span<const platform::DialogTemplate> dialogTemplates() { return kDialogs; }

}  // namespace res
