// The window's layout at the smallest size it must read well at.
#include "GuiRig.h"
#include "gui/ElidedLabel.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <sstream>

namespace {

// Every shown label and button of the window that is narrower than it asks to be, or, for a
// label that wraps, lower than its text needs: each would show its text cut.
std::string CutTexts(QWidget* window) {
    std::ostringstream cut;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty()) {
            continue;
        }
        const bool fits = label->wordWrap()
                              ? label->height() >= label->heightForWidth(label->width())
                              : label->width() >= label->sizeHint().width();
        if (!fits) {
            cut << "label \"" << label->text().toStdString() << "\" " << label->width() << "x"
                << label->height() << " wants " << label->sizeHint().width() << "\n";
        }
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(window) || button->text().isEmpty()) {
            continue;
        }
        if (button->width() < button->sizeHint().width()) {
            cut << "button \"" << button->text().toStdString() << "\" " << button->width()
                << " wants " << button->sizeHint().width() << "\n";
        }
    }
    for (QGroupBox* group : window->findChildren<QGroupBox*>()) {
        if (group->isVisibleTo(window) && group->width() < group->minimumSizeHint().width()) {
            cut << "group \"" << group->title().toStdString() << "\" " << group->width()
                << " wants " << group->minimumSizeHint().width() << "\n";
        }
    }
    return cut.str();
}

class Layout : public Gui {
protected:
    void At(int width, int height) {
        window->resize(width, height);
        QApplication::processEvents();
        Shown().SyncNow();
        QApplication::processEvents();
    }
    bool ScrollsSideways() { return Shown().ScrollArea()->horizontalScrollBar()->maximum() > 0; }
};

} // namespace

TEST_F(Layout, AConnectedUnitAt800x600CutsNoTextAndNeedsNoSidewaysScrolling) {
    LocalUnit unit;
    Start();
    Connect(0, unit);
    for (const QSize size : {QSize(800, 600), QSize(900, 650), QSize(1280, 960)}) {
        At(size.width(), size.height());
        ASSERT_EQ(window->size(), size);
        for (int c = 0; c < 4; ++c) {
            EXPECT_TRUE(Shown().Channel(c).Group->isVisibleTo(window.get())) << c;
        }
        EXPECT_EQ(CutTexts(window.get()), "") << size.width() << "x" << size.height();
        EXPECT_FALSE(ScrollsSideways()) << size.width() << "x" << size.height();
    }
}

TEST_F(Layout, AModulePageAt800x600CutsNoTextAndItsOneChannelIsNotStretched) {
    LocalUnit first({2, 0, 1, 1}, 501);
    LocalUnit second({1, 1, 1, 1}, 601);
    SimChannel shared = second.unit.Channel(3);
    shared.TesselSerNr = 501;
    second.unit.SetChannel(3, shared);
    Start();
    system->AddUnit();
    QApplication::processEvents();
    Connect(0, first);
    Connect(1, second);
    system->ShowModuleView();
    QApplication::processEvents();
    ASSERT_EQ(system->ViewMode, 1);
    ASSERT_GT(system->TabCtrl.GetCount(), 1);
    for (int sizeIndex = 0; sizeIndex < 2; ++sizeIndex) {
        At(sizeIndex == 0 ? 800 : 1920, sizeIndex == 0 ? 600 : 1080);
        for (int tab = 0; tab < system->TabCtrl.GetCount(); ++tab) {
            system->TabCtrl.SelectPage(tab);
            QApplication::processEvents();
            Shown().SyncNow();
            QApplication::processEvents();
            EXPECT_EQ(CutTexts(window.get()), "") << "tab " << tab;
            EXPECT_FALSE(ScrollsSideways()) << "tab " << tab;
            for (int c = 0; c < 4; ++c) {
                const auto& channel = Shown().Channel(c);
                if (!channel.Group->isVisibleTo(window.get())) {
                    continue;
                }
                // A column shown holds something, and its button keeps a button's size.
                EXPECT_FALSE(channel.Group->title().isEmpty()) << "tab " << tab << " " << c;
                if (channel.Apply->isVisibleTo(window.get())) {
                    EXPECT_LE(channel.Apply->width(), 2 * channel.Apply->sizeHint().width())
                        << "tab " << tab << " " << c;
                }
            }
        }
    }
}

TEST_F(Layout, BeforeConnectingNoEmptyChannelFrameIsShown) {
    Start();
    At(1280, 960);
    for (int c = 0; c < 4; ++c) {
        EXPECT_FALSE(Shown().Channel(c).Group->isVisibleTo(window.get())) << c;
    }
    EXPECT_EQ(CutTexts(window.get()), "");
}

TEST_F(Layout, TheStatusLineElidesALongSummaryAndShowsItWholeAsTooltip) {
    Start();
    At(800, 600);
    std::string summary = "Error 205 at Tessel 501 at Rkm5 30001";
    for (int i = 0; i < 8; ++i) {
        summary += ",Error 205 at Tessel 501 at Rkm5 30001";
    }
    system->ErrorSummary = summary;
    window->Refresh();
    QApplication::processEvents();
    ElidedLabel* status = window->StatusLine();
    EXPECT_EQ(status->toolTip().toStdString(), summary);
    EXPECT_TRUE(status->ShownText().endsWith(QString::fromUtf8("…")));
    // It stops short of the buttons.
    EXPECT_LE(status->geometry().right(), window->CancelButton()->geometry().left());
    EXPECT_LE(status->fontMetrics().horizontalAdvance(status->ShownText()),
              status->contentsRect().width());
}
