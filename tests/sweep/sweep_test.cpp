// The fault sweep: every entry point, in a representative scenario, is run
// once cleanly to count the calls it makes on a port, then once per call
// with exactly that call failing. Each run must end the way the procedure's
// error style says and keep the promises its callers rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "dialog/pictures.h"
#include "sweep/rig.h"

namespace quill::sweep {
namespace {

namespace fs = std::filesystem;
using dialog::Event;

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
    // Inside a formatted transfer: after its switching off of screen
    // updating, up to and including its switching on.
    bool in_transfer() const { return seen("Application.ScreenUpdating") % 2 == 1; }
    bool switches_screen_on() const { return is("Application.ScreenUpdating") && in_transfer(); }
};

struct Row {
    std::string name;
    std::vector<Channel> channels;
    std::function<void(Rig&)> setup;
    std::function<void(Rig&)> run;
    Style style;
    std::u16string title = kAppTitle;                  // of the ShowBox box
    std::function<Style(const Fault&)> style_at = {};  // steps owned by a nested procedure
    std::function<void(Rig&, const Fault*)> check = {};
    bool boxes_fail = false;  // no box can be shown at all
};

std::int32_t number_for(Channel c) {
    switch (c) {
        case Channel::Host: return 1004;
        case Channel::Editor: return 380;
        case Channel::Box: return 7;
        case Channel::Window: return 5;
        case Channel::Settings: return 75;
        case Channel::Chooser: return 5;
    }
    return 1;
}

std::size_t boxes_with(const std::vector<Box>& boxes, const std::u16string& text) {
    return static_cast<std::size_t>(
        std::count_if(boxes.begin(), boxes.end(), [&](const Box& b) { return b.text == text; }));
}
std::size_t boxes_titled(const Rig& rig, const std::u16string& title) {
    return static_cast<std::size_t>(std::count_if(rig.boxes->shown.begin(), rig.boxes->shown.end(),
                                                  [&](const Box& b) { return b.title == title; }));
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
    const Style style = row.style_at ? row.style_at(f) : row.style;
    EXPECT_EQ(rig.thrown(f.channel), 1u) << "the fault did not fire exactly once";

    if (style == Style::Propagates) {
        ASSERT_TRUE(rig.escaped.has_value()) << "the failure should reach the caller";
        EXPECT_EQ(rig.escaped->description(), f.description);
    } else {
        EXPECT_FALSE(rig.escaped.has_value()) << "escaped: " << (rig.escaped ? to_utf8(rig.escaped->description()) : "");
    }

    // With no box to be had, the report is attempted and its failure swallowed.
    if (row.boxes_fail) { EXPECT_TRUE(rig.boxes->shown.empty()); }
    const std::vector<Box>& boxes = row.boxes_fail ? rig.boxes->attempted : rig.boxes->shown;
    const std::size_t shown = boxes_with(boxes, f.description);
    if (style == Style::ShowBox || style == Style::Dispatcher) {
        ASSERT_EQ(shown, 1u) << "the description should be shown once";
        const auto it = std::find_if(boxes.begin(), boxes.end(), [&](const Box& b) { return b.text == f.description; });
        EXPECT_EQ(it->title, style == Style::ShowBox ? row.title : std::u16string(kAppTitle));
        EXPECT_EQ(it->buttons, MsgButtons::OK);
    } else {
        EXPECT_EQ(shown, 0u) << "the failure should not be shown";
    }

    // Skipping goes on with the next step: the port is used again after the
    // failed call unless it was the last one.
    if (style == Style::Skip && f.k < f.clean.size()) {
        EXPECT_GT(rig.calls(f.channel).size(), f.k) << "nothing ran after the skipped step";
    }

    // Screen updating is on again after every transfer whose switching off
    // succeeded; only a failing switch-on itself can leave it off.
    if (!(f.host() && f.switches_screen_on())) { EXPECT_TRUE(rig.excel->screen_updating); }
}

void sweep(const Row& row) {
    for (const Channel channel : row.channels) {
        SCOPED_TRACE(std::string("channel ") + name_of(channel));
        std::vector<std::string> clean;
        {
            Rig rig;
            row.setup(rig);
            rig.start(channel, 0, 0, {});
            run_entry(row, rig);
            clean = rig.calls(channel);
            ::testing::Test::RecordProperty(std::string("calls_") + name_of(channel), static_cast<int>(clean.size()));
            EXPECT_FALSE(rig.escaped.has_value());
            EXPECT_EQ(boxes_titled(rig, u"Quillette"), 0u);
            EXPECT_TRUE(rig.excel->screen_updating);
            if (row.check) row.check(rig, nullptr);
        }
        for (std::uint64_t k = 1; k <= clean.size(); ++k) {
            Fault f{channel, k, clean[k - 1], clean, {}};
            f.description = u"sweep: " + to_u16(name_of(channel)) + u" call " + to_u16(std::to_string(k)) + u" (" +
                            to_u16(f.member) + u") failed";
            SCOPED_TRACE(to_utf8(f.description));
            Rig rig;
            row.setup(rig);
            rig.start(channel, k, number_for(channel), f.description);
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
        for (const char* stem : {"a", "b", "c"}) {
            const dialog::pictures::Bitmap b{2, 2, std::vector<std::uint8_t>(4, 1), std::nullopt};
            const auto bytes = dialog::pictures::EncodeBmp(b);
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
const PictureFiles& files() {
    static const PictureFiles f;
    return f;
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

const memory::CommentData* comment(Rig& rig, const char* a1) { return rig.sheet().comment(a1); }
std::u16string picture_of(Rig& rig, const char* a1) {
    const auto* c = comment(rig, a1);
    return c && c->fill.picture ? c->fill.picture->path : u"";
}

// The connection's promises for mode `mode`, after a clean or a failed run.
// `again`: an earlier connection of the same object left its (deleted)
// button in MenuControl, where a failed connection leaves it.
void check_connection(Rig& rig, const Fault* f, std::int32_t mode, bool again = false) {
    static const std::set<std::string> bar_calls = {
        "Application.CommandBars",     "CommandBars.Item",       "CommandBar.Controls",     "CommandBarControls.Item",
        "CommandBarControl.Controls",  "CommandBarControls.Add", "CommandBarControl.Caption"};
    host::Connect& c = *rig.connection;
    const bool no_app = f && f->is("Object.QueryApplication");
    const bool trapped = boxes_titled(rig, kAppTitle) > 0;
    EXPECT_EQ(c.xlapp() != nullptr, !no_app);
    const bool added = mode != 2 && !no_app && !(f && f->host() && bar_calls.count(f->member));
    // Exactly the button this connection holds is in the menu: none is left
    // behind by a failed step.
    EXPECT_EQ(rig.live_buttons(), rig.base_buttons + (added ? 1 : 0));
    if (added || !again) { EXPECT_EQ(c.MenuControl() != nullptr, added); }
    const bool wired = added && !(f && f->is("CommandBarButton.Advise"));
    if (added) { EXPECT_EQ(c.MenuHandler() != nullptr, wired); }
    // Shown exactly when the connection got that far.
    EXPECT_EQ(c.FormDisplayed(), mode != 1 && !trapped);
    if (c.FormDisplayed()) { EXPECT_TRUE(rig.form().Loaded()); }
    // A wired button opens the dialog.
    if (wired) {
        rig.excel->click(rig.ours().at(0));
        EXPECT_TRUE(c.FormDisplayed());
    }
}

Style connection_style(const Fault& f) {
    // Only these reach the connection's own trap; the rest belong to
    // AddToAddInCommandBar (silent) or to Show and its Form_Load (skipped).
    if (f.is("Object.QueryApplication") || f.is("CommandBarButton.Advise") || f.is("GetSetting")) return Style::ShowBox;
    return f.host() ? Style::Silent : Style::Skip;
}

Row connection_row(std::int32_t mode) {
    return {.name = "OnConnection_mode" + std::to_string(mode),
            .channels = {Channel::Host, Channel::Settings, Channel::Window, Channel::Editor},
            .setup = [](Rig& rig) {
                rig.settings->store.SaveSetting(host::kSettingsApp, host::kSettingsSection, host::kSettingsKey, u"1");
            },
            .run = [mode](Rig& rig) { rig.connect(mode); },
            .style = Style::ShowBox,
            .style_at = connection_style,
            .check = [mode](Rig& rig, const Fault* f) { check_connection(rig, f, mode); }};
}

// Insert Image over B2:B4: B2 and B4 without comments, B3 with one that
// "Overwrite Cmt Text" keeps; the editor's text goes into the new ones.
void insert_image_scenario(Rig& rig) {
    rig.open_dialog();
    rig.use_comment_text();
    editor_text(rig);
    auto& form = rig.form();
    form.Check1.Value(1);
    form.Check3.Value(1);
    form.Check4.Value(0);
    form.Orent(2).Value(true);
    rig.sheet().add_comment("B3", u"old");
    rig.sheet().select("B2:B4");
    rig.excel->scripted_files().choose(files().paths);
    for (const auto& p : files().paths) rig.pictures->files[p] = {2, 2};
    // Values the closing steps change, so that a run shows whether they ran.
    rig.excel->visible = false;
    rig.excel->display_comment_indicator = 0;
}

bool transfer_editor_call(const Fault& f) { return !f.is("Text") && !f.is("Enabled"); }

std::vector<Row> rows() {
    std::vector<Row> out;

    // ---- Connection and its lifecycle ----
    out.push_back(connection_row(0));
    out.push_back(connection_row(1));
    out.push_back(connection_row(2));
    {
        // Connected again in the same session: a new button and a new dialog.
        Row again = connection_row(0);
        again.name = "OnConnection_mode0_again_after_disconnection";
        again.setup = [](Rig& rig) {
            rig.open_dialog();
            rig.connection->AddinInstance_OnDisconnection(1);  // remembers "1"
        };
        again.check = [](Rig& rig, const Fault* f) {
            EXPECT_EQ(rig.forms.size(), rig.connection->FormDisplayed() ? 2u : 1u);
            EXPECT_FALSE(rig.forms.at(0)->Loaded());
            check_connection(rig, f, 0, true);
        };
        out.push_back(std::move(again));
    }
    out.push_back({.name = "OnConnection_foreign_application",
                   .channels = {Channel::Box},
                   .setup = [](Rig&) {},
                   .run = [](Rig& rig) { rig.connection->AddinInstance_OnConnection(memory::Excel::foreign_object(), 1); },
                   .style = Style::Silent,  // the trap's own box fails: nowhere left to report
                   .check = [](Rig& rig, const Fault* f) {
                       EXPECT_EQ(rig.connection->xlapp(), nullptr);
                       EXPECT_TRUE(rig.ours().empty());
                       if (!f) { EXPECT_EQ(rig.boxes->shown.size(), 1u); }
                   }});
    out.push_back({.name = "AddToAddInCommandBar",
                   .channels = {Channel::Host},
                   .setup = [](Rig& rig) { rig.connection->xlapp(rig.excel->application()); },
                   .run = [](Rig& rig) { rig.returned = rig.connection->AddToAddInCommandBar(host::kMenuCaption); },
                   .style = Style::Silent,
                   .check = [](Rig& rig, const Fault* f) {
                       EXPECT_EQ(rig.returned != nullptr, f == nullptr);
                       EXPECT_EQ(rig.live_buttons(), rig.base_buttons + (rig.returned ? 1 : 0));
                       EXPECT_EQ(rig.ours().size(), rig.returned ? 1u : 0u);
                   }});
    out.push_back({.name = "OnDisconnection_dialog_shown",
                   .channels = {Channel::Host, Channel::Window, Channel::Settings, Channel::Editor},
                   .setup = [](Rig& rig) { rig.open_dialog(); },
                   .run = [](Rig& rig) { rig.connection->AddinInstance_OnDisconnection(0); },
                   .style = Style::Skip,
                   .check = [](Rig& rig, const Fault* f) {
                       host::Connect& c = *rig.connection;
                       EXPECT_TRUE(rig.boxes->shown.empty());
                       EXPECT_EQ(rig.settings->stored(), f && f->is("SaveSetting") ? u"<absent>" : u"1");
                       EXPECT_EQ(rig.ours().size(), f && f->is("CommandBarControl.Delete") ? 1u : 0u);
                       EXPECT_FALSE(c.FormDisplayed());
                       EXPECT_EQ(c.DialogForm(), nullptr);
                       EXPECT_EQ(c.xlapp(), nullptr);
                       EXPECT_FALSE(rig.forms.at(0)->Loaded());
                   }});
    out.push_back({.name = "Show_first",
                   .channels = {Channel::Host, Channel::Window, Channel::Editor},
                   .setup = [](Rig& rig) { rig.connect(1); },
                   .run = [](Rig& rig) { rig.connection->Show(); },
                   .style = Style::Skip,
                   .style_at = [](const Fault& f) { return f.host() ? Style::Silent : Style::Skip; },  // Form_Load's
                   .check = [](Rig& rig, const Fault* f) {
                       EXPECT_TRUE(rig.boxes->shown.empty());
                       EXPECT_TRUE(rig.connection->FormDisplayed());
                       auto& form = rig.form();
                       EXPECT_TRUE(form.Loaded());
                       EXPECT_EQ(form.xlapp, rig.connection->xlapp());
                       EXPECT_EQ(form.Connect.lock(), rig.connection);
                       EXPECT_EQ(form.Orent(1).Value(), !(f && f->host()));
                       const bool parented = !f || f->channel == Channel::Editor || f->is("ShowForm(true)");
                       EXPECT_EQ(rig.window_model->parent == *rig.excel->hwnd, parented);
                   }});
    out.push_back({.name = "Hide",
                   .channels = {Channel::Host, Channel::Window},
                   .setup = [](Rig& rig) { rig.open_dialog(); },
                   .run = [](Rig& rig) { rig.connection->Hide(); },
                   .style = Style::Skip,
                   .check = [](Rig& rig, const Fault*) {
                       EXPECT_TRUE(rig.boxes->shown.empty());
                       EXPECT_FALSE(rig.connection->FormDisplayed());
                       EXPECT_TRUE(rig.form().Loaded());
                   }});
    out.push_back({.name = "MenuHandler_Click",
                   .channels = {Channel::Host, Channel::Window},
                   .setup = [](Rig& rig) { rig.connect(1); },
                   .run = [](Rig& rig) { rig.cancel_default = rig.excel->click(rig.ours().at(0)); },
                   .style = Style::Skip,
                   .style_at = [](const Fault& f) { return f.host() ? Style::Silent : Style::Skip; },
                   .check = [](Rig& rig, const Fault*) {
                       EXPECT_TRUE(rig.boxes->shown.empty());
                       EXPECT_FALSE(rig.cancel_default);
                       EXPECT_TRUE(rig.connection->FormDisplayed());
                       EXPECT_TRUE(rig.form().Loaded());
                   }});

    // ---- Dialog lifecycle ----
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
                   .check = [](Rig& rig, const Fault* f) {
                       auto& form = rig.form();
                       EXPECT_TRUE(rig.boxes->shown.empty());
                       const bool version_read = !(f && f->is("Application.Version"));
                       EXPECT_EQ(form.Check1.Enabled(), !version_read);
                       // Orent(1) comes after the window search and before the re-parenting.
                       const bool reached = !f || f->is("FormHandle") || f->is("SetParent");
                       EXPECT_EQ(form.Orent(1).Value(), version_read && reached);
                       EXPECT_EQ(rig.window_model->parent, f ? 0 : 0x5150);
                   }});
    out.push_back({.name = "CancelButton_Click",
                   .channels = {Channel::Host, Channel::Window},
                   .setup = [](Rig& rig) { rig.open_dialog(); },
                   .run = [](Rig& rig) { rig.form().Click(u"CancelButton"); },
                   .style = Style::Dispatcher,
                   .style_at = [](const Fault&) { return Style::Skip; },  // Hide's own steps
                   .check = [](Rig& rig, const Fault*) {
                       EXPECT_TRUE(rig.boxes->shown.empty());
                       EXPECT_EQ(rig.form().xlapp, nullptr);
                       EXPECT_FALSE(rig.connection->FormDisplayed());
                   }});
    out.push_back({.name = "Command1_Click_About",
                   .channels = {Channel::Box},
                   .setup = [](Rig& rig) { rig.open_dialog(); },
                   .run = [](Rig& rig) { rig.form().Click(u"Command1"); },
                   .style = Style::Dispatcher,
                   .check = [](Rig& rig, const Fault* f) {
                       if (f) return;
                       ASSERT_EQ(rig.boxes->shown.size(), 1u);
                       EXPECT_EQ(rig.boxes->shown[0].text.rfind(u"Quillette Ver. 2.00 by Toravel \r\nemail: ", 0), 0u);
                   }});
    out.push_back({.name = "Check2_Click_empty_editor",
                   .channels = {Channel::Host, Channel::Editor},
                   .setup = [](Rig& rig) { rig.open_dialog(); },
                   .run = [](Rig& rig) { rig.form().Click(u"Check2"); },
                   .style = Style::Dispatcher,
                   .check = [](Rig& rig, const Fault* f) {
                       auto& form = rig.form();
                       // The failure ends the handler before the commands are switched on.
                       EXPECT_EQ(form.Command6.Enabled(), f == nullptr);
                       if (!f) { EXPECT_EQ(rig.doc().Text(), rig.excel->user_name); }
                   }});
    for (const char* box : {"Check3", "Check4"}) {
        const std::u16string clicked = to_u16(box);
        out.push_back({.name = std::string(box) + "_Click_overwrite_warning",
                       .channels = {Channel::Box},
                       .setup = [clicked](Rig& rig) {
                           rig.open_dialog();
                           (clicked == u"Check3" ? rig.form().Check4 : rig.form().Check3).Value(1);
                       },
                       .run = [clicked](Rig& rig) { rig.form().Click(clicked); },
                       .style = Style::Dispatcher,
                       .check = [](Rig& rig, const Fault* f) {
                           if (!f) { EXPECT_EQ(boxes_titled(rig, kAppTitle), 1u); }
                           EXPECT_EQ(rig.form().Check3.Value() + rig.form().Check4.Value(), 2);
                       }});
    }
    out.push_back({.name = "RichTextBox1_DblClick",
                   .channels = {Channel::Editor},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.use_comment_text();
                   },
                   .run = [](Rig& rig) { rig.doc().FireDblClick(); },
                   .style = Style::Dispatcher,
                   .check = [](Rig& rig, const Fault* f) {
                       if (!f) { EXPECT_EQ(rig.doc().Width(), 3650.0f); }
                   }});

    // ---- Styling ----
    out.push_back({.name = "Command5_Click_Font_Color",
                   .channels = {Channel::Editor, Channel::Chooser},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.use_comment_text();
                       rig.doc().Text(u"Hello");
                       rig.doc().SelLength(5);
                       rig.chooser->script.color(0x00FF00);
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"Command5"); },
                   .style = Style::Skip,
                   .check = [](Rig& rig, const Fault* f) {
                       EXPECT_TRUE(rig.boxes->shown.empty());
                       EXPECT_EQ(rig.chooser->script.color_requests.size(), f && f->is("ChooseColor") ? 0u : 1u);
                       const bool applied = !f || !(f->is("SelColor=") || f->is("ChooseColor"));
                       EXPECT_EQ(rig.doc().SelColor(), applied ? 0x00FF00 : 0);
                   }});
    out.push_back({.name = "Command6_Click_Font_Name_mixed",
                   .channels = {Channel::Editor, Channel::Chooser},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.use_comment_text();
                       rig.doc().Text(u"Ab cd");
                       rig.doc().SelLength(2);
                       rig.doc().SelBold(true);
                       rig.doc().SelStart(0);
                       rig.doc().SelLength(5);
                       rig.chooser->script.font({.name = u"Courier New", .size = 12.0f});
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"Command6"); },
                   .style = Style::Skip,
                   .check = [](Rig& rig, const Fault* f) {
                       EXPECT_TRUE(rig.boxes->shown.empty());
                       const bool shown = !(f && f->is("ChooseFont"));
                       auto& doc = rig.doc();
                       EXPECT_EQ(doc.SelFontName(), shown && !(f && f->is("SelFontName=")) ? u"Courier New" : u"Arial");
                       EXPECT_EQ(doc.SelFontSize(), shown && !(f && f->is("SelFontSize=")) ? 12.0f : 10.0f);
                       EXPECT_EQ(doc.SelBold(), std::nullopt);  // mixed, and left so by the user
                   }});

    // ---- Insert Image ----
    out.push_back({.name = "OKButton_Click_Insert_Image",
                   .channels = {Channel::Host, Channel::Editor},
                   .setup = insert_image_scenario,
                   .run = [](Rig& rig) { rig.form().Click(u"OKButton"); },
                   .style = Style::ShowBox,
                   .title = u"Quillette",
                   .style_at = [](const Fault& f) {
                       if (f.is("Application.GetOpenFilename")) return Style::Silent;  // cleared, the command goes on
                       const bool transfer = f.host() ? f.in_transfer() : transfer_editor_call(f);
                       return transfer ? Style::Skip : Style::ShowBox;
                   },
                   .check = [](Rig& rig, const Fault* f) {
                       const auto& p = files().paths;
                       const bool error_box = boxes_titled(rig, u"Quillette") > 0;
                       const bool closing = rig.excel->visible &&
                                            rig.excel->display_comment_indicator == host::xlCommentIndicatorOnly &&
                                            rig.form().Label3.Caption().empty();
                       EXPECT_EQ(closing, !error_box) << "the closing steps run exactly when no error is shown";
                       if (!f || (!error_box && !f->is("Application.GetOpenFilename"))) {
                           // Every cell got its picture: B, C, A after the reordering.
                           EXPECT_EQ(picture_of(rig, "B2"), p[1]);
                           EXPECT_EQ(picture_of(rig, "B3"), p[2]);
                           EXPECT_EQ(picture_of(rig, "B4"), p[0]);
                           EXPECT_EQ(comment(rig, "B3")->text.text(), u"old");
                           EXPECT_EQ(comment(rig, "B2")->text.text(), kCommentText);
                           ASSERT_NE(rig.form().Image1.Picture(), nullptr);
                           EXPECT_EQ(rig.form().Image1.Picture()->Path, p[0]);
                       }
                       if (!f) { EXPECT_TRUE(comment(rig, "B2")->text.font_at(1).bold); }
                       if (f && f->is("Application.GetOpenFilename")) { EXPECT_EQ(comment(rig, "B2"), nullptr); }
                   }});
    {
        // Both overwrite boxes ticked: B3's comment is deleted and made anew.
        Row both = out.back();
        both.name = "OKButton_Click_Insert_Image_overwrite_both";
        both.setup = [](Rig& rig) {
            insert_image_scenario(rig);
            rig.form().Check4.Value(1);
        };
        both.check = [](Rig& rig, const Fault* f) {
            const bool error_box = boxes_titled(rig, u"Quillette") > 0;
            EXPECT_EQ(rig.excel->visible, !error_box);
            if (!f) {
                EXPECT_EQ(comment(rig, "B3")->text.text(), kCommentText);
                EXPECT_EQ(picture_of(rig, "B3"), files().paths[2]);
            }
            // The old comment is gone before anything replaces it.
            if (f && f->is("Range.AddComment") && f->seen("Range.AddComment") == 1) {  // B3's
                EXPECT_EQ(comment(rig, "B3"), nullptr);
            }
        };
        out.push_back(std::move(both));
    }
    out.push_back({.name = "OKButton_Click_protected_sheet",
                   .channels = {Channel::Box},
                   .setup = [](Rig& rig) {
                       insert_image_scenario(rig);
                       rig.sheet().protect_contents = true;
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"OKButton"); },
                   .style = Style::ShowBox,
                   .title = u"Quillette",
                   .check = [](Rig& rig, const Fault* f) {
                       if (!f) { EXPECT_EQ(boxes_titled(rig, kAppTitle), 1u); }
                       EXPECT_FALSE(rig.excel->visible);  // no closing steps
                       EXPECT_TRUE(rig.excel->scripted_files().requests.empty());
                   }});

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
                       rig.open_dialog();
                       rig.use_comment_text();
                       editor_text(rig);
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
                       if (!f) {
                           EXPECT_TRUE(comment(rig, "B2")->text.font_at(1).bold);
                           EXPECT_EQ(comment(rig, "B2")->text.font_at(12).name, u"Arial");
                       }
                       if (f && rig.escaped) { EXPECT_EQ(rig.calls(Channel::Host).size(), 1u); }  // nothing else was done
                   }});
    out.push_back({.name = "Command3_Click_Insert_Text_Only",
                   .channels = {Channel::Host, Channel::Editor},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.use_comment_text();
                       editor_text(rig);
                       rig.form().Check3.Value(1);
                       rig.form().Orent(3).Value(true);
                       rig.sheet().add_comment("B2", u"old");
                       rig.sheet().select("B2");
                       rig.excel->display_comment_indicator = 0;
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"Command3"); },
                   .style = Style::Dispatcher,
                   .style_at = [](const Fault& f) {
                       const bool transfer = f.host() ? f.in_transfer() : transfer_editor_call(f);
                       return transfer ? Style::Skip : Style::Dispatcher;
                   },
                   .check = [](Rig& rig, const Fault* f) {
                       const auto* c = comment(rig, "B2");
                       ASSERT_NE(c, nullptr);  // kept whatever failed
                       const bool transfer =
                           !f || (f->host() ? f->in_transfer() : transfer_editor_call(*f));
                       if (transfer) {
                           // Everything before the transfer was done.
                           EXPECT_EQ(c->text.text(), kCommentText);
                           EXPECT_EQ(c->orientation, host::msoTextOrientationUpward);
                           EXPECT_EQ(rig.excel->display_comment_indicator, host::xlCommentIndicatorOnly);
                       }
                       if (!f) { EXPECT_TRUE(c->text.font_at(1).bold); }
                   }});
    out.push_back({.name = "Command3_Click_comment_found",
                   .channels = {Channel::Box},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.use_comment_text();
                       rig.sheet().add_comment("B2", u"old");
                       rig.sheet().select("B2");
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"Command3"); },
                   .style = Style::Dispatcher,
                   .check = [](Rig& rig, const Fault* f) {
                       if (!f) { EXPECT_EQ(boxes_titled(rig, u"Comment found"), 1u); }
                       EXPECT_EQ(comment(rig, "B2")->text.text(), u"old");
                   }});
    out.push_back({.name = "Command4_Click_Get_Text",
                   .channels = {Channel::Host, Channel::Editor},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.use_comment_text();
                       auto& cell = rig.sheet().set_text("B2", u"Hi\nyo");
                       memory::CharFont bold = memory::cell_default_font();
                       bold.bold = true;
                       cell.text.set_font(1, 1, bold);
                       rig.sheet().select("B2");
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"Command4"); },
                   .style = Style::Dispatcher,
                   .check = [](Rig& rig, const Fault* f) {
                       const bool text_set = !f || (f->host() ? f->seen("Range.Text") >= 1 && !f->is("Application.ActiveCell")
                                                               : !f->is("Text="));
                       EXPECT_EQ(rig.doc().Text() == u"Hi\nyo", text_set);
                       if (!f) {
                           rig.doc().SelStart(1);
                           rig.doc().SelLength(1);
                           EXPECT_EQ(rig.doc().SelBold(), true);
                       }
                   }});

    // ---- Delete Comment ----
    out.push_back({.name = "Command2_Click_Delete_several_cells",
                   .channels = {Channel::Host, Channel::Box},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.sheet().add_comment("B2", u"one");
                       rig.sheet().add_comment("C3", u"two");
                       rig.sheet().select("B2:D3");
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"Command2"); },
                   .style = Style::Dispatcher,
                   .style_at = [](const Fault& f) {
                       return f.is("Range.SpecialCells") ? Style::Silent : Style::Dispatcher;  // "none found"
                   },
                   .check = [](Rig& rig, const Fault* f) {
                       const std::size_t left = rig.sheet().comments().size();
                       EXPECT_EQ(left, f ? 2u : 0u);
                       if (!f) {
                           EXPECT_EQ(rig.boxes->shown.at(0).text,
                                     u"Do you want to delete all the comments (2) from the seleceted cells");
                       }
                   }});
    out.push_back({.name = "Command2_Click_Delete_one_cell",
                   .channels = {Channel::Host, Channel::Box},
                   .setup = [](Rig& rig) {
                       rig.open_dialog();
                       rig.sheet().add_comment("B2", u"one");
                       rig.sheet().add_comment("D9", u"elsewhere");
                       rig.sheet().select("B2");
                   },
                   .run = [](Rig& rig) { rig.form().Click(u"Command2"); },
                   .style = Style::Dispatcher,
                   .style_at = [](const Fault& f) {
                       // A comment that cannot be read counts as none: nothing is left to ask about.
                       if (f.is("Range.Comment")) return Style::Silent;
                       return f.is("Comment.Delete") || f.is("MsgBox") ? Style::Skip : Style::Dispatcher;
                   },
                   .check = [](Rig& rig, const Fault* f) {
                       EXPECT_EQ(comment(rig, "B2") != nullptr, f != nullptr);
                       EXPECT_NE(comment(rig, "D9"), nullptr);
                   }});
    return out;
}

// The same sweep on a host where not even a message box can be shown: the
// failures that would be reported must still end quietly.
Row with_failing_boxes(Row row) {
    row.name += "_no_message_boxes";
    row.channels = {Channel::Host};
    auto setup = row.setup;
    row.setup = [setup](Rig& rig) {
        setup(rig);
        rig.box_fault->fail_all = true;
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

}  // namespace
}  // namespace quill::sweep

namespace quill::sweep {
namespace {

// A platform that gives Connect none of its services (no message box, no
// settings store, no dialog) must still get through every notification,
// with any host call failing: the notifications are where the host would
// otherwise be taken down.
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
            EXPECT_EQ(connect->FormDisplayed(), false);
        }
    }
}

}  // namespace
}  // namespace quill::sweep
