// What a frame needs from the platform: a window to show its back buffer in,
// mouse capture, a pop-up menu, a one-line edit field and a tooltip window. The
// X11 implementation lives in X11Frame; OffscreenFrame serves frames without any
// window (tests, pictures of the editor) and lets a test play the user's part.
#pragma once

#include "platform/GuiTypes.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace orva::platform {

class FrameEventSink;

// One entry of a pop-up menu as the platform shows it.
struct PopupMenuEntry {
    std::string title;
    int32_t command = -1;        // answered when chosen; -1 for separators and submenus
    bool separator = false;
    bool enabled = true;
    bool titleItem = false;      // shown but cannot be chosen
    bool checked = false;
    bool columnBreak = false;    // starts a new column
    cairo_surface_t* icon = nullptr;  // drawn at the row's left when set; not owned
    std::vector<PopupMenuEntry> submenu;
};

// The edit field's look and limits.
struct EditFieldParams {
    VSTGUI::CRect rect;          // frame (window) coordinates
    std::string text;
    std::string fontFamily = "Arial";
    int32_t fontHeight = 12;
    VSTGUI::CHoriTxtAlign align = VSTGUI::kLeftText;
    VSTGUI::CColor fontColor = VSTGUI::kBlackCColor;
    VSTGUI::CColor backColor = VSTGUI::kWhiteCColor;
    VSTGUI::CColor frameColor = VSTGUI::kBlackCColor;
    int32_t margin = 3;
    size_t maxChars = 255;       // characters (UTF-8 sequences), not bytes
};

class EditFieldClient {
public:
    virtual ~EditFieldClient() = default;
    // The edit ended: by Return (byReturn) or by losing the focus.
    virtual void editFieldEnded(const std::string& text, bool byReturn) = 0;
};

class PlatformFrame {
public:
    virtual ~PlatformFrame() = default;
    virtual bool isWindowed() const = 0;
    // Something in the back buffer changed; a window arranges to show it.
    virtual void requestUpdate() {}
    // Copies the rectangle of the frame's back buffer to the screen.
    virtual void present(const VSTGUI::CRect& /*rect*/) {}
    virtual void setMouseCapture(bool captured) = 0;
    // Shows the menu at where (frame coordinates) and waits for the choice: the
    // chosen entry's command, or -1.
    virtual int32_t popupMenu(const std::vector<PopupMenuEntry>& entries, VSTGUI::CPoint where) = 0;
    // Opens the edit field; false when it could not be created.
    virtual bool openEditField(const EditFieldParams& params, EditFieldClient* client) = 0;
    // Ends the open edit as if it lost the focus (the client hears about it).
    virtual void closeEditField() = 0;
    virtual void showTooltip(const VSTGUI::CRect& viewRect, const std::string& text) = 0;
    virtual void hideTooltip() = 0;
    virtual void setSize(int32_t width, int32_t height) = 0;
    // Handles the window's pending events; called from the host's editor idle.
    virtual void pumpEvents() {}
};

// Breaks a tooltip text into lines: at every "\n", and wherever a line would be
// wider than maxWidth pixels (between words; a single word wider than that is
// broken between characters). measure answers a UTF-8 string's width.
template <typename Measure>
std::vector<std::string> wrapText(const std::string& text, int32_t maxWidth, Measure measure);

// A frame without a window: nothing is shown; menus, edit field and tooltip are
// recorded and played by the test.
class OffscreenFrame : public PlatformFrame {
public:
    bool isWindowed() const override { return false; }
    void setMouseCapture(bool captured) override { mouseCaptured = captured; }
    int32_t popupMenu(const std::vector<PopupMenuEntry>& entries, VSTGUI::CPoint where) override;
    bool openEditField(const EditFieldParams& params, EditFieldClient* client) override;
    void closeEditField() override;
    void showTooltip(const VSTGUI::CRect& viewRect, const std::string& text) override;
    void hideTooltip() override { tooltipVisible = false; }
    void setSize(int32_t, int32_t) override {}

    // The user's side of the edit field.
    bool isEditing() const { return editClient != nullptr; }
    void typeText(const std::string& text);
    void pressReturn();
    // Escape: the edit ends with the text it started with, as the X11 field does.
    void pressEscape();

    bool mouseCaptured = false;
    // Chooses from a menu as the user would; unset means cancel.
    int32_t (*menuChooser)(const std::vector<PopupMenuEntry>& entries, void* user) = nullptr;
    void* menuChooserUser = nullptr;
    std::vector<PopupMenuEntry> lastMenu;
    VSTGUI::CPoint lastMenuPoint;
    EditFieldParams editParams;
    std::string editText;
    bool tooltipVisible = false;
    std::string tooltipText;
    VSTGUI::CRect tooltipRect;

private:
    EditFieldClient* editClient = nullptr;
};

// Keeps at most maxChars UTF-8 characters of text.
std::string truncateUtf8(const std::string& text, size_t maxChars);

// The X11 window inside parentWindow (an X11 window id), or null when there is no
// X server or the parent does not exist. Its events go to sink, which must
// outlive the window. width and height are logical; at a scale the window is
// scaledPixels of each, its events' points and exposed areas reach sink in
// logical pixels, and its pop-ups are drawn at the same scale.
std::unique_ptr<PlatformFrame> createX11Frame(FrameEventSink* sink, void* parentWindow, int32_t width, int32_t height,
                                              double scale = 1.0);

}  // namespace orva::platform

#include "platform/WrapText.inl"
