// Dropped files: the uri-list a file manager sends, turned into local paths, and
// the drop routed to the view under the pointer as a press would be.
#include "ToolkitTestSupport.h"

#include "platform/UriList.h"
#include "toolkit/CFrame.h"
#include "toolkit/CViewContainer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using namespace VSTGUI;
using orva::platform::filesFromUriList;
using orva::platform::pathFromFileUri;

TEST(DroppedUris, OnlyLocalFileUrisBecomePaths) {
    EXPECT_EQ(pathFromFileUri("file:///home/me/kick%20drum.wav", "studio"), "/home/me/kick drum.wav");
    EXPECT_EQ(pathFromFileUri("file://localhost/tmp/a.wav", "studio"), "/tmp/a.wav");
    EXPECT_EQ(pathFromFileUri("FILE://Studio/tmp/a.wav", "studio"), "/tmp/a.wav");
    EXPECT_EQ(pathFromFileUri("file:/tmp/short%C3%A9.wav", "studio"), "/tmp/short\xC3\xA9.wav");
    EXPECT_EQ(pathFromFileUri("file:///tmp/a.wav?x=1#frag", "studio"), "/tmp/a.wav");
    // Another machine's file, other schemes, relative and malformed paths: nothing.
    EXPECT_EQ(pathFromFileUri("file://other/tmp/a.wav", "studio"), "");
    EXPECT_EQ(pathFromFileUri("https://example.org/a.wav", "studio"), "");
    EXPECT_EQ(pathFromFileUri("file:tmp/a.wav", "studio"), "");
    EXPECT_EQ(pathFromFileUri("file:///tmp/a%2", "studio"), "");
    EXPECT_EQ(pathFromFileUri("file:///tmp/a%zz.wav", "studio"), "");
    EXPECT_EQ(pathFromFileUri("file:///tmp/a%00.wav", "studio"), "");  // a NUL would cut the path
    EXPECT_EQ(pathFromFileUri("file://", "studio"), "");
}

TEST(DroppedUris, ListLinesCommentsAndLinksResolved) {
    char dir[] = "/tmp/orva-drop-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string target = std::string(dir) + "/take 1.wav";
    const std::string link = std::string(dir) + "/shortcut.wav";
    FILE* f = fopen(target.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

    const std::string list = std::string("# dragged from the file manager\r\n") + "file://" + dir +
                             "/shortcut.wav\r\n" + "\r\n" + "http://example.org/x.wav\r\n" +
                             "file:///no/such/file.wav";  // the last line without its CRLF
    const auto files = filesFromUriList(list, "studio");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], target);  // the link's target
    EXPECT_EQ(files[1], "/no/such/file.wav");  // kept as given when it cannot be resolved
    EXPECT_TRUE(filesFromUriList("", "studio").empty());
    unlink(link.c_str());
    unlink(target.c_str());
    rmdir(dir);
}

namespace {

// A view that takes files and remembers where and what.
struct Bin : CView {
    std::vector<std::string> files;
    CPoint at{-1, -1};
    using CView::CView;
    bool acceptsDrop(const CPoint&) override { return true; }
    bool onDrop(const CPoint& where, const std::vector<std::string>& dropped) override {
        at = where;
        files = dropped;
        return true;
    }
};

}  // namespace

TEST(DropRouting, TheTopmostViewThatTakesInputGetsTheFiles) {
    toolkit_test::Recorder recorder;
    CFrame* frame = new CFrame(CRect(0, 0, 200, 100), nullptr, &recorder);
    auto* panel = new CViewContainer(CRect(100, 0, 200, 100), frame);
    auto* inner = new Bin(CRect(10, 10, 60, 60));
    panel->addView(inner);
    frame->addView(panel);
    auto* under = new Bin(CRect(0, 0, 80, 80));
    auto* over = new CView(CRect(40, 40, 80, 80));  // takes no files, covers part of `under`
    frame->addView(under);
    frame->addView(over);
    const std::vector<std::string> files{"/tmp/a.wav"};

    EXPECT_TRUE(frame->platformCanDrop(CPoint(10, 10)));
    EXPECT_TRUE(frame->platformOnDrop(CPoint(10, 10), files));
    EXPECT_EQ(under->files, files);
    EXPECT_EQ(under->at, CPoint(10, 10));
    // The view on top is asked, not the one below it.
    EXPECT_FALSE(frame->platformCanDrop(CPoint(50, 50)));
    EXPECT_FALSE(frame->platformOnDrop(CPoint(50, 50), {"/tmp/b.wav"}));
    EXPECT_EQ(under->files, files);
    // Inside a container: its own coordinates.
    EXPECT_TRUE(frame->platformOnDrop(CPoint(130, 20), files));
    EXPECT_EQ(inner->at, CPoint(30, 20));
    // Hidden views, empty lists and a modal view take nothing.
    inner->setVisible(false);
    EXPECT_FALSE(frame->platformCanDrop(CPoint(130, 20)));
    EXPECT_FALSE(frame->platformOnDrop(CPoint(10, 10), {}));
    frame->setModalView(over);
    EXPECT_FALSE(frame->platformCanDrop(CPoint(10, 10)));
    frame->setModalView(nullptr);
    frame->forget();
}
