// The dialog's platform services on Windows: the picture loader, the colour
// and font choosers with the component's cancel error, message boxes owned
// by the dialog or by no window, and FindWindowA over real windows.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <fstream>

#include "ports/host_error.h"
#include "platform/win32/choosers.h"
#include "platform/win32/errors.h"
#include "platform/win32/message_box.h"
#include "platform/win32/picture_loader_win.h"
#include "support.h"

using namespace quill;
using wintest::DialogAnswer;

namespace {

constexpr COLORREF kRed = RGB(220, 30, 40);

// 24 x 12 red pixels, bottom-up as a BMP stores them.
bool write_bmp(const std::wstring& path) {
    const std::vector<std::uint32_t> px(24 * 12, (GetRValue(kRed) << 16) | (GetGValue(kRed) << 8) | GetBValue(kRed));
    const BITMAPINFOHEADER info{sizeof info, 24, 12, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof info + px.size() * 4), 0, 0,
                                sizeof file + sizeof info};
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file).write(reinterpret_cast<const char*>(&info), sizeof info);
    return !!out.write(reinterpret_cast<const char*>(px.data()), static_cast<std::streamsize>(px.size() * 4));
}

// One red rectangle over the whole 1 x 0.5 inch (96 x 48 pixels) of an EMF.
bool write_emf(const std::wstring& path) {
    const RECT frame{0, 0, 2540, 1270};  // HIMETRIC
    HDC dc = CreateEnhMetaFileW(nullptr, path.c_str(), &frame, nullptr);
    if (!dc) return false;
    SetMapMode(dc, MM_ANISOTROPIC);
    const win32::UniqueHBrush red(CreateSolidBrush(kRed));
    const RECT all{0, 0, 96, 48};
    FillRect(dc, &all, red.get());
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    DeleteEnhMetaFile(emf);
    return emf != nullptr;
}

// A raster picture through WIC and a metafile through OLE: the size, and
// what each draws stretched into a target twice as large. Failures are the
// host's errors; an empty path clears an image.
TEST(PictureLoader, LoadsRasterAndMetafileAndFailsAsTheHost) {
    const auto junk = [](const std::wstring& p) { return !!(std::ofstream(p.c_str()) << "no picture at all"); };
    const struct {
        std::wstring path;
        std::function<bool(const std::wstring&)> write;
        int width, height;
        std::int32_t error;
    } rows[] = {
        {wintest::temp_file(L"qr") + L".bmp",
         write_bmp, 24, 12, 0},
        {wintest::temp_file(L"qr") + L".emf", write_emf, 96, 48, 0},
        {L"C:\\no\\such\\picture.png", nullptr, 0, 0, 53},
        {wintest::temp_file(L"qj") + L".png", junk, 0, 0, 481},
    };
    win32::Win32PictureLoader loader;
    EXPECT_EQ(loader.LoadPicture(u""), nullptr);
    for (const auto& r : rows) {
        const std::u16string path = win32::to_u16(r.path.c_str());
        SCOPED_TRACE(to_utf8(path));
        if (r.write) {
            ASSERT_TRUE(r.write(r.path));
        }
        try {
            const auto picture = loader.LoadPicture(path);
            ASSERT_TRUE(picture && !r.error);
            EXPECT_EQ(picture->Width, r.width);
            EXPECT_EQ(picture->Height, r.height);
            EXPECT_EQ(picture->Path, path);
            const win32::RenderablePicture* drawn = win32::renderable(picture.get());
            ASSERT_TRUE(drawn);
            const wintest::Pixels out = wintest::render(2 * r.width, 2 * r.height, [&](HDC dc) {
                drawn->draw(dc, RECT{0, 0, 2 * r.width, 2 * r.height});
            });
            EXPECT_EQ(out.at(r.width, r.height), kRed);
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), r.error);
        }
        if (r.write) DeleteFileW(r.path.c_str());
    }
}

// A TrueType face the system has (the font dialog offers TrueType only):
// Tahoma, or else the last one listed.
std::u16string truetype_face() {
    std::wstring face;
    const win32::WindowDc screen(nullptr);
    LOGFONTW want{};
    want.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(
        screen.get(), &want,
        [](const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM lp) -> int {
            if (!(type & TRUETYPE_FONTTYPE) || lf->lfFaceName[0] == L'@') return 1;
            *reinterpret_cast<std::wstring*>(lp) = lf->lfFaceName;
            return std::wstring(lf->lfFaceName) != L"Tahoma";
        },
        reinterpret_cast<LPARAM>(&face), 0);
    return win32::to_u16(face.c_str());
}

// Both dialogs are owned by the form, start from the component's values and
// give them back unchanged on OK (a size in points survives the trip through
// lfHeight); a cancel raises the component's error only with CancelError.
// Hook and template bits in Flags would need data the component has none of:
// they are dropped, or the dialogs would fail.
TEST(Choosers, DialogsBelongToTheFormAndReportCancel) {
    wintest::FormOnScreen on;
    dialog::CommonDialog& cd = on.form->CommonDialog1;
    HWND owner = nullptr;
    auto note_owner = [&](HWND dialog) { owner = GetWindow(dialog, GW_OWNER); };
    const std::u16string face = truetype_face();
    ASSERT_FALSE(face.empty());
    cd.Color(dialog::rgb(10, 200, 30));
    cd.Flags(0x40103 | CF_ENABLEHOOK | CF_ENABLETEMPLATE);  // and CC_ENABLEHOOK
    cd.FontName(face);
    cd.FontSize(12);
    cd.FontBold(true);
    cd.CancelError(true);
    for (const auto show : {&dialog::CommonDialog::ShowColor, &dialog::CommonDialog::ShowFont}) {
        owner = nullptr;
        {
            DialogAnswer ok(IDOK, note_owner);
            (cd.*show)();  // unanswered, it would leave the owner unnoted
        }
        EXPECT_EQ(owner, on.window->hwnd());
        DialogAnswer cancel(IDCANCEL);
        try {
            (cd.*show)();
            ADD_FAILURE() << "no cancel error";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 32755);
            EXPECT_EQ(e.description(), u"Cancel was selected.");
        }
    }
    EXPECT_EQ(cd.Color(), dialog::rgb(10, 200, 30));
    EXPECT_EQ(cd.FontName(), face);
    EXPECT_EQ(cd.FontSize(), 12.0f);
    EXPECT_TRUE(cd.FontBold());
    cd.CancelError(false);
    DialogAnswer cancel(IDCANCEL);
    EXPECT_NO_THROW(cd.ShowFont());
    // A mixed selection opens with no face, size or style, so that OK does
    // not impose one on every character.
    dialog::ChooserState mixed;
    mixed.FontName = u"Tahoma";
    mixed.FontSize = 12;
    mixed.FontBlank.Name = mixed.FontBlank.Size = mixed.FontBlank.Italic = true;
    constexpr DWORD kNone = CF_NOFACESEL | CF_NOSIZESEL | CF_NOSTYLESEL;
    EXPECT_EQ(win32::font_dialog_flags(mixed) & kNone, kNone);
}

// The dialog's boxes are owned by it and carry their title; a box of no
// window, such as the connection's error box at Excel's start, holds every
// window of the thread (task-modal) rather than hiding behind it.
TEST(MessageBoxes, OwnedByTheFormOrHoldingTheWholeThread) {
    wintest::FormOnScreen on;
    const HWND form = on.window->hwnd();
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", nullptr);  // real boxes
    win32::Win32MessageBox ownerless;
    const struct {
        const char* what;
        MessageBoxPort* boxes;
        MsgButtons buttons;
        UINT answer;
        HWND owner;
    } rows[] = {
        {"the form's", on.form->Services().messages.get(), MsgButtons::YesNo, IDYES, form},
        {"no window's", &ownerless, MsgButtons::OK, IDOK, nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        HWND owner = reinterpret_cast<HWND>(1);
        std::wstring title;
        bool form_enabled = true;
        DialogAnswer answer(r.answer, [&](HWND box) {
            owner = GetWindow(box, GW_OWNER);
            title = wintest::window_text(box);
            form_enabled = IsWindowEnabled(form);
        });
        EXPECT_EQ(r.boxes->Show(u"Delete?", r.buttons, u"Pixnote"),
                  r.answer == IDYES ? MsgAnswer::Yes : MsgAnswer::OK);
        EXPECT_EQ(owner, r.owner);
        EXPECT_EQ(title, L"Pixnote");
        EXPECT_FALSE(form_enabled);
        EXPECT_TRUE(IsWindowEnabled(form));
    }
}

// The version-9 search lists real top-level windows with their process;
// which of several it prefers is the dialog's own choice, tested natively.
TEST(WindowPort, ListsTheHostsMainWindowWithItsProcess) {
    HWND mine = wintest::create_xlmain(L"this host", WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(mine);
    win32::FormWindow port;
    const auto listed = port.TopLevelWindows("XLMAIN");
    DestroyWindow(mine);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed.front().handle, win32::to_handle(mine));
    EXPECT_EQ(listed.front().process_id, port.CurrentProcessId());
    EXPECT_EQ(port.CurrentProcessId(), GetCurrentProcessId());
}

}  // namespace
