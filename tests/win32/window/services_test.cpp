// The dialog's platform services on Windows: the picture loader, the colour
// and font choosers with the component's cancel error, message boxes owned
// by the dialog, and FindWindowA's choice between two hosts.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include "dialog/frm_add_in.h"
#include "host/host_error.h"
#include "platform/memory/workbook.h"
#include "platform/win32/choosers.h"
#include "platform/win32/errors.h"
#include "platform/win32/message_box.h"
#include "platform/win32/picture_loader_win.h"
#include "platform/win32/window_common.h"
#include "platform/win32/window_form.h"
#include "support.h"

using namespace quill;
using wintest::DialogAnswer;

namespace {

constexpr COLORREF kRed = RGB(220, 30, 40);

wintest::Pixels solid(int w, int h, COLORREF c) {
    wintest::Pixels p;
    p.width = w;
    p.height = h;
    p.bgra.assign(static_cast<std::size_t>(w * h), 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    return p;
}

bool close_to(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// An EMF or a placeable WMF with one red rectangle over its whole extent.
void draw_red(HDC dc, int w, int h) {
    HBRUSH red = CreateSolidBrush(kRed);
    RECT all{0, 0, w, h};
    FillRect(dc, &all, red);
    DeleteObject(red);
}

bool write_emf(const std::wstring& path) {
    RECT frame{0, 0, 2540, 1270};  // HIMETRIC: 1 x 0.5 inch
    HDC dc = CreateEnhMetaFileW(nullptr, path.c_str(), &frame, nullptr);
    if (!dc) return false;
    SetMapMode(dc, MM_ANISOTROPIC);
    draw_red(dc, 96, 48);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    DeleteEnhMetaFile(emf);
    return emf != nullptr;
}

bool write_placeable_wmf(const std::wstring& path) {
    HDC dc = CreateMetaFileW(nullptr);
    if (!dc) return false;
    SetWindowExtEx(dc, 96, 48, nullptr);
    draw_red(dc, 96, 48);
    HMETAFILE wmf = CloseMetaFile(dc);
    const UINT size = GetMetaFileBitsEx(wmf, 0, nullptr);
    std::vector<BYTE> bits(size);
    GetMetaFileBitsEx(wmf, size, bits.data());
    DeleteMetaFile(wmf);
    // The placeable header: key, handle, bounding box, units per inch,
    // reserved, checksum (XOR of the ten words before it).
#pragma pack(push, 2)
    struct {
        DWORD key = 0x9AC6CDD7;
        WORD handle = 0;
        SHORT left = 0, top = 0, right = 96, bottom = 48;
        WORD inch = 96;
        DWORD reserved = 0;
        WORD checksum = 0;
    } header;
#pragma pack(pop)
    const WORD* words = reinterpret_cast<const WORD*>(&header);
    for (int i = 0; i < 10; ++i) header.checksum ^= words[i];
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, &header, sizeof header, &written, nullptr);
    WriteFile(file, bits.data(), size, &written, nullptr);
    CloseHandle(file);
    return true;
}

bool write_bytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return written == bytes.size();
}

// Each format the loader promises: its size, and what it draws stretched
// into a target twice as large.
TEST(PictureLoader, LoadsEveryPromisedFormat) {
    struct Row {
        const wchar_t* name;
        std::function<bool(const std::wstring&)> write;
        int width, height, tolerance;
    };
    const Row rows[] = {
        {L"quill-red.png", [](auto& p) { return wintest::write_image(p, solid(24, 12, kRed), GUID_ContainerFormatPng); }, 24, 12, 0},
        {L"quill-red.jpg", [](auto& p) { return wintest::write_image(p, solid(24, 12, kRed), GUID_ContainerFormatJpeg); }, 24, 12, 24},
        {L"quill-red.gif", [](auto& p) { return wintest::write_image(p, solid(24, 12, kRed), GUID_ContainerFormatGif); }, 24, 12, 24},
        {L"quill-red.bmp", [](auto& p) { return wintest::write_image(p, solid(24, 12, kRed), GUID_ContainerFormatBmp); }, 24, 12, 0},
        {L"quill-red.emf", write_emf, 96, 48, 0},
        {L"quill-red.wmf", write_placeable_wmf, 96, 48, 0},
    };
    win32::Win32PictureLoader loader;
    for (const Row& r : rows) {
        SCOPED_TRACE(wintest::narrow(r.name));
        const std::wstring path = wintest::temp_path(r.name);
        ASSERT_TRUE(r.write(path));
        std::shared_ptr<const dialog::Picture> picture;
        try {
            picture = loader.LoadPicture(win32::to_u16(path.c_str()));
        } catch (const HostError& e) {
            ADD_FAILURE() << e.number() << " " << e.what();
            continue;
        }
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->Width, r.width);
        EXPECT_EQ(picture->Height, r.height);
        EXPECT_EQ(picture->Path, win32::to_u16(path.c_str()));
        const win32::RenderablePicture* drawn = win32::renderable(picture.get());
        ASSERT_TRUE(drawn);
        const wintest::Pixels out = wintest::render(2 * r.width, 2 * r.height, [&](HDC dc) {
            const RECT target{0, 0, 2 * r.width, 2 * r.height};
            drawn->draw(dc, target);
        });
        const COLORREF middle = out.at(r.width, r.height);
        EXPECT_TRUE(close_to(middle, kRed, r.tolerance)) << std::hex << middle;
        DeleteFileW(path.c_str());
    }
    EXPECT_EQ(win32::renderable(nullptr), nullptr);
}

TEST(PictureLoader, FailuresAreTheHostsErrors) {
    win32::Win32PictureLoader loader;
    EXPECT_EQ(loader.LoadPicture(u""), nullptr);  // clears an image
    const std::wstring junk = wintest::temp_path(L"quill-junk.png");
    ASSERT_TRUE(write_bytes(junk, "this is no picture at all"));
    const struct {
        const char* what;
        std::u16string path;
        std::int32_t number;
    } rows[] = {
        {"missing", u"C:\\no\\such\\picture.png", 53},
        {"a folder", win32::to_u16(wintest::temp_path(L"").c_str()), 53},
        {"not a picture", win32::to_u16(junk.c_str()), 481},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        try {
            loader.LoadPicture(r.path);
            ADD_FAILURE() << "no error";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), r.number);
        }
    }
    DeleteFileW(junk.c_str());
}

TEST(Choosers, FlagsBecomeTheDialogsBits) {
    dialog::ChooserState s;
    s.FontName = u"Tahoma";
    s.FontSize = 12;
    s.Flags = 0x40103;  // screen and printer fonts, effects, TrueType only
    EXPECT_EQ(win32::font_dialog_flags(s), static_cast<DWORD>(CF_SCREENFONTS | CF_EFFECTS | CF_TTONLY | CF_INITTOLOGFONTSTRUCT));
    s.FontName.clear();
    s.FontSize = 0;  // no value: the dialog opens with none selected
    EXPECT_EQ(win32::font_dialog_flags(s), static_cast<DWORD>(CF_SCREENFONTS | CF_EFFECTS | CF_TTONLY |
                                                              CF_INITTOLOGFONTSTRUCT | CF_NOFACESEL | CF_NOSIZESEL));
    s.FontName = u"Tahoma";
    s.FontSize = 12;
    s.FontBlank.Name = s.FontBlank.Size = s.FontBlank.Italic = true;  // a mixed selection
    EXPECT_EQ(win32::font_dialog_flags(s), static_cast<DWORD>(CF_SCREENFONTS | CF_EFFECTS | CF_TTONLY | CF_INITTOLOGFONTSTRUCT |
                                                              CF_NOFACESEL | CF_NOSIZESEL | CF_NOSTYLESEL));
    s.FontBlank = {};
    s.Flags = CF_ENABLEHOOK | CF_SHOWHELP | CF_ENABLETEMPLATE;  // would need data the component has none of
    EXPECT_EQ(win32::font_dialog_flags(s) & (CF_ENABLEHOOK | CF_SHOWHELP | CF_ENABLETEMPLATE), 0u);
    s.Flags = 0;
    EXPECT_EQ(win32::color_dialog_flags(s), static_cast<DWORD>(CC_RGBINIT));
    s.Flags = 0x40103;  // the font dialog's value, left in the component
    EXPECT_EQ(win32::color_dialog_flags(s), static_cast<DWORD>(CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR));
}

// A form with its window, for the services that belong to the window.
struct FormOnScreen {
    FormOnScreen() {
        excel->hwnd = 0;
        form = std::dynamic_pointer_cast<dialog::frmAddIn>(win32::window_dialog_factory()());
        form->set_xlapp(excel->application());
        form->Show();
        window = win32::form_window_of(*form)->hwnd();
    }
    ~FormOnScreen() {
        form->Unload();
        wintest::pump();
    }
    std::shared_ptr<memory::Excel> excel = memory::Excel::Create();
    std::shared_ptr<dialog::frmAddIn> form;
    HWND window = nullptr;
};

TEST(Choosers, DialogsBelongToTheFormAndReportCancel) {
    FormOnScreen on;
    dialog::CommonDialog& cd = on.form->CommonDialog1;
    HWND owner = nullptr;
    auto note_owner = [&](HWND dialog) { owner = GetWindow(dialog, GW_OWNER); };

    cd.Color(dialog::rgb(10, 200, 30));
    cd.CancelError(true);
    {
        DialogAnswer ok(IDOK, note_owner);
        cd.ShowColor();
        EXPECT_TRUE(ok.answered());
    }
    EXPECT_EQ(owner, on.window);
    EXPECT_EQ(cd.Color(), dialog::rgb(10, 200, 30));  // started from Color, taken back unchanged

    {
        DialogAnswer cancel(IDCANCEL);
        try {
            cd.ShowColor();
            ADD_FAILURE() << "no cancel error";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 32755);
            EXPECT_EQ(e.description(), u"Cancel was selected.");
        }
    }

    // A TrueType face the system has (the dialog offers TrueType only).
    std::wstring face;
    HDC screen = GetDC(nullptr);
    LOGFONTW want{};
    want.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(
        screen, &want,
        [](const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM lp) -> int {
            auto& out = *reinterpret_cast<std::wstring*>(lp);
            if (!(type & TRUETYPE_FONTTYPE) || lf->lfFaceName[0] == L'@') return 1;
            out = lf->lfFaceName;
            return std::wstring(lf->lfFaceName) == L"Tahoma" ? 0 : 1;  // the last one found, or Tahoma
        },
        reinterpret_cast<LPARAM>(&face), 0);
    ReleaseDC(nullptr, screen);
    ASSERT_FALSE(face.empty());
    cd.Flags(0x40103);
    cd.FontName(win32::to_u16(face.c_str()));
    cd.FontSize(12);
    cd.FontBold(true);
    cd.FontItalic(false);
    owner = nullptr;
    {
        DialogAnswer ok(IDOK, note_owner);
        cd.ShowFont();
        EXPECT_TRUE(ok.answered());
    }
    EXPECT_EQ(owner, on.window);
    EXPECT_EQ(cd.FontName(), win32::to_u16(face.c_str()));
    EXPECT_EQ(cd.FontSize(), 12.0f);
    EXPECT_TRUE(cd.FontBold());
    EXPECT_FALSE(cd.FontItalic());
    {
        DialogAnswer cancel(IDCANCEL);
        EXPECT_THROW(cd.ShowFont(), HostError);
    }
    cd.CancelError(false);
    {
        DialogAnswer cancel(IDCANCEL);
        EXPECT_NO_THROW(cd.ShowFont());  // without CancelError a cancel is silent
    }
}

TEST(MessageBoxes, BelongToTheFormAndCarryTheirTitle) {
    FormOnScreen on;
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", nullptr);  // real boxes
    HWND owner = nullptr;
    std::wstring title;
    {
        DialogAnswer yes(IDYES, [&](HWND box) {
            owner = GetWindow(box, GW_OWNER);
            wchar_t text[64] = L"";
            GetWindowTextW(box, text, 64);
            title = text;
        });
        const MsgAnswer answer = on.form->Services().messages->Show(u"Delete?", MsgButtons::YesNo, u"Pixnote");
        EXPECT_EQ(answer, MsgAnswer::Yes);
        EXPECT_TRUE(yes.answered());
    }
    EXPECT_EQ(owner, on.window);
    EXPECT_EQ(title, L"Pixnote");
}

// A box of no window, such as the connection's error box at Excel's start,
// holds every window of the thread (task-modal) rather than hiding behind it.
TEST(MessageBoxes, WithoutAnOwnerHoldTheWholeThread) {
    FormOnScreen on;
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", nullptr);  // real boxes
    bool form_disabled = false;
    HWND owner = reinterpret_cast<HWND>(1);
    {
        DialogAnswer ok(IDOK, [&](HWND box) {
            owner = GetWindow(box, GW_OWNER);
            form_disabled = !IsWindowEnabled(on.window);
        });
        win32::Win32MessageBox().Show(u"Type mismatch", MsgButtons::OK, u"Pixnote");
        EXPECT_TRUE(ok.answered());
    }
    EXPECT_EQ(owner, nullptr);
    EXPECT_TRUE(form_disabled);
    EXPECT_TRUE(IsWindowEnabled(on.window));
}

// With two hosts running, the version-9 search joins this process's window
// even when the other one's comes first.
TEST(WindowPort, FindWindowPrefersThisProcesssHost) {
    HWND mine = wintest::create_xlmain(L"this host", WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(mine);

    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"QuillXlmainReady");
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, L"QuillXlmainQuit");
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --xlmain-helper QuillXlmainReady QuillXlmainQuit";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    const bool started = WaitForSingleObject(ready, 20000) == WAIT_OBJECT_0;

    win32::FormWindow port;
    const HWND first = FindWindowA("XLMAIN", nullptr);
    DWORD first_pid = 0;
    GetWindowThreadProcessId(first, &first_pid);
    const auto listed = port.TopLevelWindows("XLMAIN");
    const dialog::WindowHandle chosen = port.FindHostMainWindow("XLMAIN");

    SetEvent(quit);
    WaitForSingleObject(pi.hProcess, 20000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(ready);
    CloseHandle(quit);
    DestroyWindow(mine);

    ASSERT_TRUE(started) << "the helper process did not show its window";
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed.front().handle, win32::to_handle(first));  // FindWindowA's first is the list's first
    EXPECT_EQ(chosen, win32::to_handle(mine));
    if (first_pid == GetCurrentProcessId())
        GTEST_SKIP() << "Wine listed this process's window first; the choice was not put to the test";
}

}  // namespace
