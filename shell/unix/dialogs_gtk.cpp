// The dialogs on a Linux desktop: GTK 3 when a display can be opened, the terminal otherwise.
//
// The program has no window of its own, so both dialogs are shown without a parent; being modal,
// they block the one thread until the user closes them. Each dialog's window is destroyed, and its
// closing is drawn, before the call returns, so that the next dialog never appears beside it.
#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "shell/dialogs.h"
#include "shell/unix/gtk_dialogs.h"
#include "shell/unix/terminal_dialogs.h"

namespace vex {

namespace {

// Decided once by PrepareDialogs: GTK only when it could open the display.
bool gtkReady = false;

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct WidgetDestroy {
    void operator()(GtkWidget* widget) const { gtk_widget_destroy(widget); }
};
struct GFree {
    void operator()(gchar* text) const { g_free(text); }
};

using NativeChooser = std::unique_ptr<GtkFileChooserNative, ObjectUnref>;
using Widget = std::unique_ptr<GtkWidget, WidgetDestroy>;
using GText = std::unique_ptr<gchar, GFree>;

// Lets GTK handle what closing a dialog left to do (unmapping the window, drawing what was under
// it) before the program goes on.
void FinishPendingEvents() {
    while (gtk_events_pending() != FALSE) {
        gtk_main_iteration_do(FALSE);
    }
}

// One filter per description/pattern pair; the pair at `position` is the one shown first. A pair
// without any pattern would show no file at all and is left out.
void AddFilters(GtkFileChooser* chooser, const std::optional<Text>& pattern, int32_t position) {
    const std::vector<FilterPair> pairs = FilterPairs(pattern);
    for (size_t i = 0; i < pairs.size(); ++i) {
        const std::vector<std::string> globs = GlobsFor(pairs[i].pattern);
        if (globs.empty()) {
            continue;
        }
        GtkFileFilter* filter = gtk_file_filter_new();  // floating: the chooser takes it
        gtk_file_filter_set_name(filter, DisplayUtf8(pairs[i].description).c_str());
        for (const std::string& glob : globs) {
            gtk_file_filter_add_pattern(filter, glob.c_str());
        }
        gtk_file_chooser_add_filter(chooser, filter);
        if (position >= 0 && i == static_cast<size_t>(position)) {
            gtk_file_chooser_set_filter(chooser, filter);
        }
    }
}

void SetStart(GtkFileChooser* chooser, const std::optional<Text>& defaultFile) {
    const ChooserStart start = ChooserStartFor(defaultFile);
    if (!start.proposedFile.empty()) {
        // Opens the file's folder with the file selected, so that Open takes it at once.
        gtk_file_chooser_set_filename(chooser, start.proposedFile.c_str());
    } else if (!start.folder.empty()) {
        gtk_file_chooser_set_current_folder(chooser, start.folder.c_str());
    }
}

Text RunChooser(GtkFileChooserNative* native) {
    const gint response = gtk_native_dialog_run(GTK_NATIVE_DIALOG(native));
    Text path;
    if (response == GTK_RESPONSE_ACCEPT) {
        // A local path in file-system bytes, whatever their encoding: carried without loss.
        const GText filename(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(native)));
        if (filename) {
            path = FromUtf8(filename.get());
        }
    }
    gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(native));
    FinishPendingEvents();
    return path;
}

Text GtkChooseInputFile(const Text& title, const std::optional<Text>& defaultFile,
                        const std::optional<Text>& pattern, int32_t patternPosition) {
    const NativeChooser native(gtk_file_chooser_native_new(
        DisplayUtf8(title).c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr));
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(native.get());
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(native.get()), TRUE);
    // Only files on this machine: the conversion opens the path it gets, so it must be one.
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_select_multiple(chooser, FALSE);
    AddFilters(chooser, pattern, patternPosition);
    SetStart(chooser, defaultFile);
    return RunChooser(native.get());
}

// The rest of a text of several paragraphs (the result of many files), below the first one: in a
// read-only text area that scrolls, so that the box fits the screen however long the rest is.
void AddScrolledRest(GtkWidget* dialog, const Text& rest) {
    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)),
                             DisplayUtf8(rest).c_str(), -1);
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    GtkScrolledWindow* window = GTK_SCROLLED_WINDOW(scrolled);
    gtk_scrolled_window_set_policy(window, GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_min_content_width(window, 560);
    gtk_scrolled_window_set_max_content_height(window, 400);
    gtk_scrolled_window_set_propagate_natural_height(window, TRUE);
    gtk_container_add(GTK_CONTAINER(scrolled), view);
    GtkWidget* area = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog));
    gtk_box_pack_start(GTK_BOX(area), scrolled, TRUE, TRUE, 0);
    gtk_widget_show_all(scrolled);
    // Enter still presses OK, as in every other box; Tab reaches the text.
    gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK));
}

int GtkShowMessage(const Text& caption, const Text& text) {
    const size_t paragraph = text.find(u"\n\n");
    const Widget dialog(gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                               GTK_BUTTONS_OK, "%s",
                                               DisplayUtf8(text.substr(0, paragraph)).c_str()));
    if (paragraph != Text::npos) {
        AddScrolledRest(dialog.get(), text.substr(paragraph + 2));
    }
    gtk_window_set_title(GTK_WINDOW(dialog.get()), DisplayUtf8(caption).c_str());
    // Without a parent to centre on, the middle of the screen, where a box without owner appears
    // on Windows too.
    gtk_window_set_position(GTK_WINDOW(dialog.get()), GTK_WIN_POS_CENTER);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog.get()));
    // A box whose only button is OK answers OK however it is closed (Escape, the close button),
    // as the Windows message box does.
    const bool answered = response == GTK_RESPONSE_OK || response == GTK_RESPONSE_DELETE_EVENT;
    gtk_widget_hide(dialog.get());
    FinishPendingEvents();
    return answered ? 1 : 0;
}

}  // namespace

bool PrepareDialogs() {
    gtkReady = gtk_init_check(nullptr, nullptr) == TRUE;
    return gtkReady;
}

Text ChooseInputFile(const Text& title, const std::optional<Text>& defaultFile,
                     const std::optional<Text>& pattern, int32_t patternPosition) {
    if (!gtkReady) {
        return TerminalChooseInputFile(ProcessTerminal(), title, defaultFile, pattern,
                                       patternPosition);
    }
    return GtkChooseInputFile(title, defaultFile, pattern, patternPosition);
}

int ShowMessage(const Text& caption, const Text& text, uint32_t /*flags*/) {
    if (!gtkReady) {
        return TerminalShowMessage(ProcessTerminal(), caption, text);
    }
    return GtkShowMessage(caption, text);
}

}  // namespace vex
