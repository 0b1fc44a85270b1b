// The fault sweep: each scenario runs once cleanly to count the calls it
// makes on a port, then once per call with exactly that call failing. Each
// run must end the way the failing step's error handling says, let nothing
// out that its caller cannot take, and keep the user's data.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "dialog/fakes.h"
#include "dialog/pictures.h"
#include "host/connect.h"
#include "platform/memory/settings_store.h"
#include "platform/memory/workbook.h"

namespace quill::sweep {
namespace {

namespace fs = std::filesystem;
using dialog::Event;
using quill::testing::CallLog;
using quill::testing::ShownBox;
using LogPtr = std::shared_ptr<CallLog>;

// The chooser is left out: the styling tests fail it in every way it can fail.
enum class Channel { Host, Editor, Box, Window, Settings };
constexpr const char* kChannel[] = {"host", "editor", "message box", "window", "settings"};
constexpr std::int32_t kNumber[] = {1004, 380, 7, 5, 75};

// The ports the shared stand-ins do not cover, each logging into a CallLog.
class FaultyWindow final : public dialog::WindowPort {
public:
    FaultyWindow(std::shared_ptr<memory::MemoryWindow> m, LogPtr l) : model(std::move(m)), log(std::move(l)) {}
    std::vector<dialog::TopLevelWindow> TopLevelWindows(const std::string& name) override {
        log->enter("TopLevelWindows");
        return model->TopLevelWindows(name);
    }
    std::uint32_t CurrentProcessId() override { return log->enter("CurrentProcessId"), model->CurrentProcessId(); }
    dialog::WindowHandle SetParent(dialog::WindowHandle child, dialog::WindowHandle parent) override {
        log->enter("SetParent");
        return model->SetParent(child, parent);
    }
    dialog::WindowHandle FormHandle() override { return log->enter("FormHandle"), model->FormHandle(); }
    void ShowForm(bool on) override { log->enter(on ? "ShowForm(true)" : "ShowForm(false)"), model->ShowForm(on); }
    void DestroyForm() override { log->enter("DestroyForm"), model->DestroyForm(); }
    std::shared_ptr<memory::MemoryWindow> model;
    LogPtr log;
};

class FaultySettings final : public SettingsPort {
public:
    explicit FaultySettings(LogPtr l) : log(std::move(l)) {}
    std::u16string GetSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                              const std::u16string& fallback) override {
        log->enter("GetSetting");
        return store.GetSetting(app, section, key, fallback);
    }
    void SaveSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) override {
        log->enter("SaveSetting");
        store.SaveSetting(app, section, key, value);
    }
    std::u16string stored() {
        return store.GetSetting(host::kSettingsApp, host::kSettingsSection, host::kSettingsKey, u"<absent>");
    }
    memory::MemorySettings store;
    LogPtr log;
};

// The whole add-in as a platform assembles it: Connect with the real
// frmAddIn over the in-memory workbook and a CallLog on every port; the
// host's is the workbook's own call log.
struct Rig {
    Rig() {
        excel->add_workbook();
        if (auto insert = excel->menu(u"Insert")) base_buttons = insert->controls.size();
        boxes->log = log(Channel::Box);
        connection = host::Connect::Create({boxes, settings, [this] {
                                                dialog::FormServices s;
                                                s.messages = boxes;
                                                s.chooser = chooser;
                                                s.pictures = pictures;
                                                s.window = window;
                                                s.make_editor = [this](const dialog::LayoutRow& row) {
                                                    editor = std::make_shared<quill::testing::RecordingEditor>(
                                                        memory::MakeRichText(row), log(Channel::Editor));
                                                    return editor;
                                                };
                                                forms.push_back(std::make_shared<dialog::frmAddIn>(std::move(s)));
                                                return forms.back();
                                            }});
    }

    const LogPtr& log(Channel c) const { return logs[static_cast<std::size_t>(c)]; }
    // Forgets every channel's calls so far and arms `c` to fail its k-th call
    // from now on (k = 0: nothing fails).
    void start(Channel c, std::uint64_t k, const std::u16string& description) {
        for (std::size_t i = 0; i < logs.size(); ++i) {
            logs[i]->clear();
            thrown_at_start[i] = logs[i]->faults_thrown();
        }
        if (k) log(c)->fail_any_nth(k, kNumber[static_cast<std::size_t>(c)], description);
    }
    std::vector<std::string> calls(Channel c) const { return log(c)->calls(); }
    std::uint64_t thrown(Channel c) const {
        return log(c)->faults_thrown() - thrown_at_start[static_cast<std::size_t>(c)];
    }

    void connect(std::int32_t mode) { connection->AddinInstance_OnConnection(excel->object(), mode); }
    // Connected at the host's start and the dialog opened from the menu.
    void open_dialog() {
        connect(1);
        excel->click(ours().at(0));
    }
    dialog::frmAddIn& form() {
        auto* f = dynamic_cast<dialog::frmAddIn*>(connection->DialogForm().get());
        if (!f) throw std::logic_error("no dialog yet");
        return *f;
    }
    memory::RichText& doc() { return editor->doc(); }
    memory::Sheet& sheet() { return excel->sheet(); }
    // Our buttons in the Insert menu, or every button still there.
    std::vector<std::shared_ptr<memory::BarControl>> buttons(bool ours_only = true) const {
        std::vector<std::shared_ptr<memory::BarControl>> out;
        if (auto insert = excel->menu(u"Insert"))
            for (auto& c : insert->controls)
                if (!c->deleted && (!ours_only || c->caption == host::kMenuCaption)) out.push_back(c);
        return out;
    }
    std::vector<std::shared_ptr<memory::BarControl>> ours() const { return buttons(); }
    // "Use Comment Text" ticked through its handler, as the user does it.
    void use_comment_text() { form().Click(u"Check2"); }

    std::shared_ptr<memory::Excel> excel = memory::Excel::Create();
    // The host's channel is the workbook's own log, shared with the workbook.
    std::array<LogPtr, 5> logs = [this] {
        std::array<LogPtr, 5> a;
        for (auto& l : a) l = std::make_shared<CallLog>();
        a[static_cast<std::size_t>(Channel::Host)] = LogPtr(excel, &excel->log);
        return a;
    }();
    std::array<std::uint64_t, 5> thrown_at_start{};
    std::shared_ptr<quill::testing::ScriptedMessageBox> boxes = std::make_shared<quill::testing::ScriptedMessageBox>();
    std::shared_ptr<FaultySettings> settings = std::make_shared<FaultySettings>(log(Channel::Settings));
    std::shared_ptr<memory::MemoryWindow> window_model = std::make_shared<memory::MemoryWindow>();
    std::shared_ptr<FaultyWindow> window = std::make_shared<FaultyWindow>(window_model, log(Channel::Window));
    std::shared_ptr<memory::ScriptedChooser> chooser = std::make_shared<memory::ScriptedChooser>();
    std::shared_ptr<quill::testing::FakePictureLoader> pictures = std::make_shared<quill::testing::FakePictureLoader>();
    std::shared_ptr<quill::testing::RecordingEditor> editor;  // the current form's; a new one after every Unload
    std::vector<std::shared_ptr<dialog::frmAddIn>> forms;    // every form Connect made
    std::shared_ptr<host::Connect> connection;
    std::size_t base_buttons = 0;  // in the Insert menu before the add-in came

    // What a run left behind.
    std::optional<HostError> escaped;
    std::u16string text;                                 // getcmt's result
    std::shared_ptr<host::Range> cell;                   // InsertFmtText's argument
    bool cancel_default = true;                          // as the menu click left it
};

// How a failure at one call ends, as the procedure (or the one nested in it
// that owns the failing step) handles it.
enum class Style {
    ShowBox,     // trapped; an OK box with the description and the row's title
    Silent,      // trapped; the procedure ends without a word
    Skip,        // the step is skipped and the procedure goes on
    Dispatcher,  // untrapped; the dialog's dispatcher shows it, titled "Pixnote"
    Propagates,  // untrapped and called directly: the caller receives it
};

struct Fault {
    Channel channel;
    std::uint64_t k;  // 1-based
    std::string member;
    std::vector<std::string> clean;  // the channel's calls in the fault-free run
    std::u16string description;

    bool is(const char* m) const { return member == m; }
    bool host() const { return channel == Channel::Host; }
    // Calls of `m` in the clean run before the failing one.
    std::size_t seen(const std::string& m) const {
        return static_cast<std::size_t>(std::count(clean.begin(), clean.begin() + static_cast<std::ptrdiff_t>(k - 1), m));
    }
    // Inside a formatted transfer: after it switches screen updating off, up
    // to and including switching it on.
    bool in_transfer() const { return seen("Application.ScreenUpdating") % 2 == 1; }
    // A transfer skips its failing steps; reading or setting the whole text is
    // not one of them.
    bool transfer_step() const { return host() ? in_transfer() : !is("Text") && !is("Enabled"); }
};

struct Row {
    std::string name;
    std::vector<Channel> channels;
    std::function<void(Rig&)> setup, run;
    Style style;
    std::u16string title = kAppTitle;                  // of the ShowBox box
    std::function<Style(const Fault&)> style_at = {};  // steps owned by a nested procedure
    std::function<void(Rig&, const Fault*)> check = {};
    bool boxes_fail = false;  // no box can be shown at all
};

std::size_t boxes_titled(const Rig& rig, const std::u16string& title) {
    return static_cast<std::size_t>(std::count_if(rig.boxes->shown.begin(), rig.boxes->shown.end(),
                                                  [&](const ShownBox& b) { return b.title == title; }));
}

void run_entry(const Row& row, Rig& rig) {
    try {
        row.run(rig);
    } catch (const HostError& e) {
        rig.escaped = e;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "a non-host exception escaped: " << e.what();
    }
}

// What every run must show, whatever the row.
void check_style(const Row& row, Rig& rig, const Fault& f) {
    // A failing ActiveCell means no active cell (a chart sheet is active),
    // which every command that reads it takes silently.
    const Style style = f.host() && f.is("Application.ActiveCell") ? Style::Silent
                        : row.style_at                              ? row.style_at(f)
                                                                    : row.style;
    EXPECT_EQ(rig.thrown(f.channel), 1u) << "the fault did not fire exactly once";
    if (style == Style::Propagates) {
        ASSERT_TRUE(rig.escaped.has_value()) << "the failure should reach the caller";
        EXPECT_EQ(rig.escaped->description(), f.description);
    } else {
        EXPECT_FALSE(rig.escaped.has_value()) << "escaped: " << (rig.escaped ? to_utf8(rig.escaped->description()) : "");
    }
    // With no box to be had, the report is attempted and its failure swallowed.
    if (row.boxes_fail) { EXPECT_EQ(rig.thrown(Channel::Box), rig.boxes->shown.size()); }
    const auto& boxes = rig.boxes->shown;
    const auto report = [&](const ShownBox& b) { return b.text == f.description; };
    if (style == Style::ShowBox || style == Style::Dispatcher) {
        ASSERT_EQ(std::count_if(boxes.begin(), boxes.end(), report), 1) << "the description should be shown once";
        const auto it = std::find_if(boxes.begin(), boxes.end(), report);
        EXPECT_EQ(it->title, style == Style::ShowBox ? row.title : std::u16string(kAppTitle));
        EXPECT_EQ(it->buttons, MsgButtons::OK);
    } else {
        EXPECT_EQ(std::count_if(boxes.begin(), boxes.end(), report), 0) << "the failure should not be shown";
    }
    // Skipping goes on: the port is used again after the failed call unless
    // it was the last one.
    if (style == Style::Skip && f.k < f.clean.size()) {
        EXPECT_GT(rig.calls(f.channel).size(), f.k) << "nothing ran after the skipped step";
    }
    // Screen updating is on again after every transfer that switched it off;
    // only a failing switch-on itself can leave it off.
    if (!(f.host() && f.is("Application.ScreenUpdating") && f.in_transfer())) { EXPECT_TRUE(rig.excel->screen_updating); }
}

void sweep(const Row& row) {
    for (const Channel channel : row.channels) {
        const std::string name = kChannel[static_cast<std::size_t>(channel)];
        SCOPED_TRACE("channel " + name);
        std::vector<std::string> clean;
        {
            Rig rig;
            row.setup(rig);
            rig.start(channel, 0, {});
            run_entry(row, rig);
            clean = rig.calls(channel);
            ::testing::Test::RecordProperty("calls_" + name, static_cast<int>(clean.size()));
            EXPECT_FALSE(rig.escaped.has_value());
            EXPECT_EQ(boxes_titled(rig, u"Quillette"), 0u);
            EXPECT_TRUE(rig.excel->screen_updating);
            if (row.check) row.check(rig, nullptr);
        }
        for (std::uint64_t k = 1; k <= clean.size(); ++k) {
            Fault f{channel, k, clean[k - 1], clean, {}};
            f.description = to_u16("sweep: " + name + " call " + std::to_string(k) + " (" + f.member + ") failed");
            SCOPED_TRACE(to_utf8(f.description));
            Rig rig;
            row.setup(rig);
            rig.start(channel, k, f.description);
            run_entry(row, rig);
            check_style(row, rig, f);
            if (row.check) row.check(rig, &f);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

// ---- Scenario pieces -------------------------------------------------------

// Three small pictures, written once for the whole program.
struct PictureFiles {
    PictureFiles() {
        dir = fs::temp_directory_path() / ("quill_sweep_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
        const auto bytes = dialog::pictures::EncodeBmp({2, 2, std::vector<std::uint8_t>(4, 1), std::nullopt});
        for (const char* stem : {"a", "b", "c"}) {
            const fs::path p = dir / (std::string(stem) + ".bmp");
            std::ofstream(p, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            paths.push_back(to_u16(p.string()));
        }
    }
    ~PictureFiles() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    std::vector<std::u16string> paths;  // a, b, c
};
const std::vector<std::u16string>& files() {
    static const PictureFiles f;
    return f.paths;
}

// Editor text with a line break and a tab, "b" in bold; what getcmt makes of it.
constexpr char16_t kEditorText[] = u"Ab\r\nc\td";
constexpr char16_t kCommentText[] = u"Ab\nc        d";
void editor_text(Rig& rig) {
    rig.doc().Text(kEditorText);
    rig.doc().SelStart(1);
    rig.doc().SelLength(1);
    rig.doc().SelBold(true);
    rig.doc().SelStart(0);
}
void dialog_with_text(Rig& rig) {
    rig.open_dialog();
    rig.use_comment_text();
    editor_text(rig);
}

const memory::CommentData* comment(Rig& rig, const char* a1) { return rig.sheet().comment(a1); }
std::u16string picture_of(Rig& rig, const char* a1) {
    const auto* c = comment(rig, a1);
    return c && c->fill.picture ? c->fill.picture->path : u"";
}

// The connection's promises for `mode` after a clean or a failed run.
void check_connection(Rig& rig, const Fault* f, std::int32_t mode) {
    static const std::set<std::string> bar_calls = {
        "Application.CommandBars",    "CommandBars.Item",       "CommandBar.Controls",      "CommandBarControls.Item",
        "CommandBarControl.Controls", "CommandBarControls.Add", "CommandBarControl.Caption", "CommandBarControl.Tag"};
    host::Connect& c = *rig.connection;
    const bool no_app = f && f->is("Object.QueryApplication");
    EXPECT_EQ(c.xlapp() != nullptr, !no_app);
    const bool added = mode != 2 && !no_app && !(f && f->host() && bar_calls.count(f->member));
    // Exactly the button this connection holds is in the menu: a failed step leaves none behind.
    EXPECT_EQ(rig.buttons(false).size(), rig.base_buttons + (added ? 1 : 0));
    EXPECT_EQ(c.MenuControl() != nullptr, added);
    const bool wired = added && !(f && f->is("CommandBarButton.Advise"));
    if (added) { EXPECT_EQ(c.MenuHandler() != nullptr, wired); }
    EXPECT_EQ(c.FormDisplayed(), mode != 1 && boxes_titled(rig, kAppTitle) == 0);  // shown when it got that far
    if (c.FormDisplayed()) { EXPECT_TRUE(rig.form().Loaded() && rig.form().Connect.lock() == rig.connection); }
    if (wired) {  // a wired button opens the dialog
        rig.excel->click(rig.ours().at(0));
        EXPECT_TRUE(c.FormDisplayed());
    }
}

Row connection_row(std::int32_t mode) {
    return {.name = "OnConnection_mode" + std::to_string(mode),
            .channels = {Channel::Host, Channel::Settings, Channel::Window, Channel::Editor},
            .setup = [](Rig& rig) {
                rig.settings->store.SaveSetting(host::kSettingsApp, host::kSettingsSection, host::kSettingsKey, u"1");
            },
            .run = [mode](Rig& rig) { rig.connect(mode); },
            .style = Style::ShowBox,
            // Only these reach the connection's own trap; the rest belong to
            // AddToAddInCommandBar (silent) or to Show and its Form_Load (skipped).
            .style_at = [](const Fault& f) {
                if (f.is("Object.QueryApplication") || f.is("CommandBarButton.Advise") || f.is("GetSetting"))
                    return Style::ShowBox;
                return f.host() ? Style::Silent : Style::Skip;
            },
            .check = [mode](Rig& rig, const Fault* f) { check_connection(rig, f, mode); }};
}

// Insert Image over B2:B4: B2 and B4 without comments, B3 with one that
// "Overwrite Cmt Text" keeps; the editor's text goes into the new ones.
void insert_image_scenario(Rig& rig) {
    dialog_with_text(rig);
    auto& form = rig.form();
    form.Check1.Value(1);
    form.Check3.Value(1);
    form.Check4.Value(0);
    form.Orent(2).Value(true);
    rig.sheet().add_comment("B3", u"old");
    rig.sheet().select("B2:B4");
    rig.excel->scripted_files().choose(files());
    for (const auto& p : files()) rig.pictures->files[p] = {2, 2};
    // Values the closing steps change, so that a run shows whether they ran.
    rig.excel->visible = false;
    rig.excel->display_comment_indicator = 0;
}
bool closed_without_error(Rig& rig) {
    const bool closing = rig.excel->visible && rig.excel->display_comment_indicator == host::xlCommentIndicatorOnly &&
                         rig.form().Label3.Caption().empty();
    EXPECT_EQ(closing, boxes_titled(rig, u"Quillette") == 0) << "the closing steps run exactly when no error is shown";
    return closing;
}

std::vector<Row> rows() {
    const auto silent_host = [](const Fault& f) { return f.host() ? Style::Silent : Style::Skip; };
    const auto quiet = [](Rig& rig) { EXPECT_TRUE(rig.boxes->shown.empty()); };
    std::vector<Row> out;

    // ---- Connection and its lifecycle ----
    for (std::int32_t mode : {0, 1, 2}) out.push_back(connection_row(mode));
    out.push_back({.name = "OnConnection_foreign_application",
                   .channels = {Channel::Box},
                   .setup = [](Rig&) {},
                   .run = [](Rig& rig) { rig.connection->AddinInstance_OnConnection(memory::Excel::foreign_object(), 1); },
                   .style = Style::Silent,  // the trap's own box fails: nowhere left to report
                   .check = [](Rig& rig, const Fault*) {
                       EXPECT_EQ(rig.connection->xlapp(), nullptr);
                       EXPECT_TRUE(rig.ours().empty());
                       EXPECT_EQ(rig.boxes->shown.size(), 1u);
                   }});
    out.push_back({.name = "OnDisconnection_dialog_shown",
                   .channels = {Channel::Host, Channel::Window, Channel::Settings, Channel::Editor},
                   .setup = [](Rig& rig) { rig.open_dialog(); },
                   .run = [](Rig& rig) { rig.connection->AddinInstance_OnDisconnection(0); },
                   .style = Style::Skip,
                   .check = [quiet](Rig& rig, const Fault* f) {
                       quiet(rig);
                       EXPECT_EQ(rig.settings->stored(), f && f->is("SaveSetting") ? u"<absent>" : u"1");
                       EXPECT_EQ(rig.ours().size(), f && f->is("CommandBarControl.Delete") ? 1u : 0u);
                       EXPECT_FALSE(rig.connection->FormDisplayed());
                       EXPECT_EQ(rig.connection->DialogForm(), nullptr);
                       EXPECT_EQ(rig.connection->xlapp(), nullptr);
                       EXPECT_FALSE(rig.forms.at(0)->Loaded());
                   }});
    for (const char* entry : {"Hide", "MenuHandler_Click", "CancelButton_Click"}) {
        const std::string e = entry;
        out.push_back({.name = e,
                       .channels = {Channel::Host, Channel::Window},
                       .setup = [e](Rig& rig) { e == "MenuHandler_Click" ? rig.connect(1) : rig.open_dialog(); },
                       .run = [e](Rig& rig) {
                           if (e == "Hide") rig.connection->Hide();
                           if (e == "CancelButton_Click") rig.form().Click(u"CancelButton");
                           if (e == "MenuHandler_Click") rig.cancel_default = rig.excel->click(rig.ours().at(0));
                       },
                       .style = Style::Skip,  // Hide's and Form_Load's own steps
                       .style_at = e == "MenuHandler_Click" ? silent_host : std::function<Style(const Fault&)>{},
                       .check = [e, quiet](Rig& rig, const Fault*) {
                           quiet(rig);
                           EXPECT_FALSE(rig.cancel_default && e == "MenuHandler_Click");
                           EXPECT_EQ(rig.connection->FormDisplayed(), e == "MenuHandler_Click");
                           EXPECT_TRUE(rig.form().Loaded());
                           if (e == "CancelButton_Click") { EXPECT_EQ(rig.form().xlapp, nullptr); }
                       }});
    }

    // ---- The dialog's own steps ----
    out.push_back({.name = "Form_Load_Excel2000",
                   .channels = {Channel::Host, Channel::Window},
                   .setup = [](Rig& rig) {
                       rig.excel->version = u"9.0";
                       rig.window_model->add_window("XLMAIN", 0x5150, rig.window_model->process_id);
                       rig.connect(1);
                       rig.connection->Hide();  // the form exists, not loaded yet
                       rig.form().xlapp = rig.excel->application();
                   },
                   .run = [](Rig& rig) { rig.form().Raise(u"frmAddIn", Event::Load); },
                   .style = Style::Silent,
                   .check = [quiet](Rig& rig, const Fault* f) {
                       quiet(rig);
                       const bool version_read = !(f && f->is("Application.Version"));
                       EXPECT_EQ(rig.form().Check1.Enabled(), !version_read);
                       // Orent(1) comes after the window search and before the re-parenting.
                       const bool reached = !f || f->is("FormHandle") || f->is("SetParent");
                       EXPECT_EQ(rig.form().Orent(1).Value(), version_read && reached);
                       EXPECT_EQ(rig.window_model->parent, f ? 0 : 0x5150);
                   }});
    out.push_back({.name = "Check2_Click_empty_editor",
                   .channels = {Channel::Host, Channel::Editor},
                   .setup = [](Rig& rig) { rig.open_dialog(); },
                   .run = [](Rig& rig) { rig.use_comment_text(); },
                   .style = Style::Dispatcher,
                   .check = [](Rig& rig, const Fault* f) {
                       // The failure ends the handler before the commands are switched on.
                       EXPECT_EQ(rig.form().Command6.Enabled(), f == nullptr);
                       if (!f) { EXPECT_EQ(rig.doc().Text(), rig.excel->user_name); }
                   }});
    // Styling skips a failing step and reports nothing. "Ab" bold in
    // "Ab cd", all selected; the colour, then the font, chosen.
    for (const bool font : {false, true}) {
        out.push_back({.name = font ? "Command6_Click_Font_Name_mixed" : "Command5_Click_Font_Color",
                       .channels = {Channel::Editor},
                       .setup = [font](Rig& rig) {
                           rig.open_dialog();
                           rig.use_comment_text();
                           rig.doc().Text(u"Ab cd");
                           rig.doc().SelLength(2);
                           rig.doc().SelBold(true);
                           rig.doc().SelLength(5);
                           if (font) rig.chooser->font({.name = u"Courier New", .size = 12.0f});
                           if (!font) rig.chooser->color(0x00FF00);
                       },
                       .run = [font](Rig& rig) { rig.form().Click(font ? u"Command6" : u"Command5"); },
                       .style = Style::Skip,
                       .check = [font, quiet](Rig& rig, const Fault* f) {
                           quiet(rig);
                           const auto applied = [f](const char* m) { return !(f && f->is(m)); };
                           auto& doc = rig.doc();
                           if (!font) { EXPECT_EQ(doc.SelColor(), applied("SelColor=") ? 0x00FF00 : 0); }
                           if (!font) return;
                           EXPECT_EQ(doc.SelFontName(), applied("SelFontName=") ? u"Courier New" : u"Arial");
                           EXPECT_EQ(doc.SelFontSize(), applied("SelFontSize=") ? 12.0f : 10.0f);
                           EXPECT_EQ(doc.SelBold(), std::nullopt);  // mixed, and left so by the user
                       }});
    }

    // ---- Insert Image: every cell gets its picture unless an error is shown ----
    for (const bool both : {false, true}) {
        out.push_back({.name = both ? "OKButton_Click_Insert_Image_overwrite_both" : "OKButton_Click_Insert_Image",
                       .channels = {Channel::Host, Channel::Editor},
                       .setup = [both](Rig& rig) {
                           insert_image_scenario(rig);
                           rig.form().Check4.Value(both ? 1 : 0);
                       },
                       .run = [](Rig& rig) { rig.form().Click(u"OKButton"); },
                       .style = Style::ShowBox,
                       .title = u"Quillette",
                       .style_at = [](const Fault& f) {
                           if (f.is("Application.GetOpenFilename")) return Style::Silent;  // cleared, the command goes on
                           return f.transfer_step() ? Style::Skip : Style::ShowBox;
                       },
                       .check = [both](Rig& rig, const Fault* f) {
                           if (f && f->is("Application.ActiveCell")) {  // no active cell: the command does nothing
                               EXPECT_FALSE(rig.excel->visible);
                               return;
                           }
                           const auto& p = files();
                           const bool cleared = f && f->is("Application.GetOpenFilename");
                           if (cleared) { EXPECT_EQ(comment(rig, "B2"), nullptr); }
                           if (closed_without_error(rig) && !cleared) {  // B, C, A after the reordering
                               EXPECT_EQ(picture_of(rig, "B2"), p[1]);
                               EXPECT_EQ(picture_of(rig, "B3"), p[2]);
                               EXPECT_EQ(picture_of(rig, "B4"), p[0]);
                               EXPECT_EQ(comment(rig, "B3")->text.text(), both ? kCommentText : u"old");
                               EXPECT_EQ(comment(rig, "B2")->text.text(), kCommentText);
                               ASSERT_NE(rig.form().Image1.Picture(), nullptr);
                               EXPECT_EQ(rig.form().Image1.Picture()->Path, p[0]);
                           }
                           if (!f) { EXPECT_TRUE(comment(rig, "B2")->text.font_at(1).bold); }
                           // B3's old comment is gone before anything replaces it.
                           if (both && f && f->is("Range.AddComment") && f->seen("Range.AddComment") == 1) {
                               EXPECT_EQ(comment(rig, "B3"), nullptr);
                           }
                       }});
    }

    // ---- Comment text ----
    out.push_back({.name = "getcmt",
                   .channels = {Channel::Host, Channel::Editor},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.use_comment_text();
                       rig.doc().Text(u"a\tb\r\nc\rd");
                   },
                   .run = [](Rig& rig) { rig.text = rig.form().getcmt(); },
                   .style = Style::Propagates,
                   .check = [](Rig& rig, const Fault* f) {
                       if (!f) { EXPECT_EQ(rig.text, u"a        b\ncd"); }
                   }});
    out.push_back({.name = "InsertFmtText",
                   .channels = {Channel::Host, Channel::Editor},
                   .setup = [](Rig& rig) {
                       dialog_with_text(rig);
                       rig.sheet().add_comment("B2", kCommentText);
                       rig.sheet().select("B2");
                       rig.cell = rig.excel->application()->ActiveCell();
                   },
                   .run = [](Rig& rig) { rig.form().InsertFmtText(rig.cell); },
                   .style = Style::Skip,
                   .style_at = [](const Fault& f) {
                       // Switching screen updating off is the one step before the skipping starts.
                       return f.is("Application.ScreenUpdating") && !f.in_transfer() ? Style::Propagates : Style::Skip;
                   },
                   .check = [](Rig& rig, const Fault* f) {
                       EXPECT_EQ(comment(rig, "B2")->text.text(), kCommentText);
                       if (!f) { EXPECT_TRUE(comment(rig, "B2")->text.font_at(1).bold); }
                       if (f && rig.escaped) { EXPECT_EQ(rig.calls(Channel::Host).size(), 1u); }  // nothing else done
                   }});
    out.push_back({.name = "Command3_Click_Insert_Text_Only",
                   .channels = {Channel::Host, Channel::Editor},
                   .setup = [](Rig& rig) {
                       dialog_with_text(rig);
                       rig.form().Check3.Value(1);
                       rig.form().Orent(3).Value(true);
                       rig.sheet().add_comment("B2", u"old");
                       rig.sheet().select("B2");
                       rig.excel->display_comment_indicator = 0;
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"Command3"); },
                   .style = Style::Dispatcher,
                   .style_at = [](const Fault& f) { return f.transfer_step() ? Style::Skip : Style::Dispatcher; },
                   .check = [](Rig& rig, const Fault* f) {
                       const auto* c = comment(rig, "B2");
                       ASSERT_NE(c, nullptr);  // kept whatever failed
                       if (!f || f->transfer_step()) {  // everything before the transfer was done
                           EXPECT_EQ(c->text.text(), kCommentText);
                           EXPECT_EQ(c->orientation, host::msoTextOrientationUpward);
                           EXPECT_EQ(rig.excel->display_comment_indicator, host::xlCommentIndicatorOnly);
                       }
                       if (!f) { EXPECT_TRUE(c->text.font_at(1).bold); }
                   }});
    out.push_back({.name = "Command4_Click_Get_Text",
                   .channels = {Channel::Host, Channel::Editor},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.use_comment_text();
                       memory::CharFont bold = memory::cell_default_font();
                       bold.bold = true;
                       rig.sheet().set_text("B2", u"Hi\nyo").text.set_font(1, 1, bold);
                       rig.sheet().select("B2");
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"Command4"); },
                   .style = Style::Dispatcher,
                   .check = [](Rig& rig, const Fault* f) {
                       const bool host_set = f && f->host() && f->seen("Range.Text") >= 1 && !f->is("Application.ActiveCell");
                       const bool text_set = !f || host_set || (!f->host() && !f->is("Text="));
                       EXPECT_EQ(rig.doc().Text() == u"Hi\nyo", text_set);
                       if (f) return;
                       rig.doc().SelStart(1);
                       rig.doc().SelLength(1);
                       EXPECT_EQ(rig.doc().SelBold(), true);
                   }});

    // ---- Delete Comment: a failure deletes nothing ----
    for (const bool several : {true, false}) {
        out.push_back({.name = several ? "Command2_Click_Delete_several_cells" : "Command2_Click_Delete_one_cell",
                       .channels = {Channel::Host, Channel::Box},
                       .setup = [several](Rig& rig) {
                           rig.open_dialog();
                           rig.sheet().add_comment("B2", u"one");
                           rig.sheet().add_comment(several ? "C3" : "D9", u"two");
                           rig.sheet().select(several ? "B2:D3" : "B2");
                       },
                       .run = [](Rig& rig) { rig.form().Click(u"Command2"); },
                       .style = Style::Dispatcher,
                       .style_at = [several](const Fault& f) {
                           // A comment that cannot be found counts as none: nothing is left to ask about.
                           if (f.is(several ? "Range.SpecialCells" : "Range.Comment")) return Style::Silent;
                           const bool skipped = !several && (f.is("Comment.Delete") || f.is("MsgBox"));
                           return skipped ? Style::Skip : Style::Dispatcher;
                       },
                       .check = [several](Rig& rig, const Fault* f) {
                           EXPECT_EQ(comment(rig, "B2") != nullptr, f != nullptr);
                           EXPECT_EQ(comment(rig, several ? "C3" : "D9") != nullptr, !several || f);
                           if (!f && several) {
                               EXPECT_EQ(rig.boxes->shown.at(0).text,
                                         u"Do you want to delete all the comments (2) from the seleceted cells");
                           }
                       }});
    }
    return out;
}

// The same sweep on a host where not even a message box can be shown: the
// failures that would be reported must still end quietly.
Row with_failing_boxes(Row row) {
    row.name += "_no_message_boxes";
    row.channels = {Channel::Host};
    row.setup = [setup = row.setup](Rig& rig) {
        setup(rig);
        rig.log(Channel::Box)->fail_all(quill::testing::kInvalidNumber, quill::testing::kInvalidCall);
    };
    row.check = {};  // they count the boxes that were shown
    row.boxes_fail = true;
    return row;
}

const std::vector<Row>& table() {
    static const std::vector<Row> t = [] {
        std::vector<Row> all = rows();
        for (const char* name : {"OnConnection_mode0", "OKButton_Click_Insert_Image", "Command4_Click_Get_Text",
                                 "Command2_Click_Delete_several_cells"})
            for (const Row& r : rows())
                if (r.name == name) all.push_back(with_failing_boxes(r));
        return all;
    }();
    return t;
}

class Sweep : public ::testing::TestWithParam<std::size_t> {};

TEST_P(Sweep, EveryCallFailingOnce) { sweep(table().at(GetParam())); }

INSTANTIATE_TEST_SUITE_P(EntryPoints, Sweep, ::testing::Range<std::size_t>(0, table().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) { return table().at(info.param).name; });

// The fault the sweep found: a platform that gives Connect none of its
// services (no message box, no settings store, no dialog) must still get
// through every notification with any host call failing, or the host goes down.
TEST(SweepBareConnect, NotificationsWithoutServicesAndAFailingHost) {
    for (const std::int32_t mode : {0, 1, 2}) {
        std::uint64_t calls = 0;
        for (std::uint64_t k = 0; k == 0 || k <= calls; ++k) {
            SCOPED_TRACE(::testing::Message() << "mode " << mode << ", host call " << k << " failing");
            auto excel = memory::Excel::Create();
            excel->add_workbook();
            if (k) excel->log.fail_any_nth(k, 1004, u"sweep: failed");
            auto connect = host::Connect::Create({});
            connect->AddinInstance_OnConnection(excel->object(), mode);
            connect->Show();
            connect->Hide();
            connect->AddinInstance_OnDisconnection(0);
            connect->AddinInstance_OnConnection(memory::Excel::foreign_object(), mode);
            if (k == 0) calls = excel->log.total();
            EXPECT_FALSE(connect->FormDisplayed());
        }
    }
}

}  // namespace
}  // namespace quill::sweep
