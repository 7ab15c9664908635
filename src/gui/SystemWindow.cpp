#include "gui/SystemWindow.h"

#include "gui/AboutDialog.h"
#include "gui/ElidedLabel.h"
#include "gui/Icons.h"
#include "gui/KeyMap.h"
#include "gui/MenuBarBuilder.h"
#include "gui/UnitPageWidget.h"
#include "gui/UnitTabBar.h"
#include "gui/WaitCursor.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

SystemWindow::SystemWindow(CTabDlg& system, QWidget* parent) : QDialog(parent), m_system(system) {
    setWindowTitle(QString::fromUtf8(CTabDlg::Caption));
    setWindowIcon(ProgramIcon());
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setMinimumSize(450, 300);
    resize(1180, 900);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 4);
    m_menuBar = new QMenuBar(this);
    layout->setMenuBar(m_menuBar);
    m_toolbar = new QToolBar(this);
    m_toolbar->setIconSize(QSize(32, 32));
    layout->addWidget(m_toolbar);

    m_tabBar = new UnitTabBar(m_system, this);
    layout->addWidget(m_tabBar);
    m_pageArea = new QFrame(this);
    m_pageArea->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_pageArea, 1);

    auto* bottom = new QHBoxLayout;
    // The status line shows as much of the summary as fits; the whole is in its tooltip.
    m_status = new ElidedLabel(this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_exit = new QPushButton(QStringLiteral("Exit"), this);
    m_exit->setDefault(true);
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_exit);
    layout->addLayout(bottom);

    BuildMenus();
    BuildToolbar();

    connect(m_tabBar, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_syncingTabs) {
            m_system.TabCtrl.OnSelChange(index);
        }
    });
    connect(m_exit, &QPushButton::clicked, this, [this] {
        WaitCursor wait;
        m_system.OnExitButton();
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        WaitCursor wait;
        m_system.OnCancelButton();
    });

    qApp->installEventFilter(this);
    m_system.SetView(this);
    SyncTabs();
    Refresh();
}

SystemWindow::~SystemWindow() {
    qApp->removeEventFilter(this);
    m_system.SetView(nullptr);
}

void SystemWindow::BuildMenus() {
    BuildMenuBar<SystemCommand>(
        m_menuBar, this, [this] { return m_system.MenuBarState(); },
        [this](SystemCommand id) { m_system.OnMenuCommand(id); });
}

void SystemWindow::BuildToolbar() {
    m_toolbar->clear();
    for (int i = 0; i < static_cast<int>(kSystemToolbarButtons); ++i) {
        QAction* action = m_toolbar->addAction(QString());
        action->setToolTip(Q(m_system.ToolbarTooltip(i)));
        connect(action, &QAction::triggered, this, [this, i] {
            WaitCursor wait;
            m_system.OnToolbarButton(i);
        });
    }
}

UnitPageWidget* SystemWindow::WidgetFor(CLumatrelDlg& page) {
    auto it = m_widgets.find(&page);
    if (it == m_widgets.end()) {
        auto* widget = new UnitPageWidget(page, this);
        widget->hide();
        it = m_widgets.emplace(&page, widget).first;
    }
    return it->second;
}

QRect SystemWindow::PageArea() const {
    return m_pageArea->geometry().adjusted(1, 1, -1, -1);
}

void SystemWindow::ShowPage(UnitPageWidget* widget) {
    if (m_shown != nullptr && m_shown != widget) {
        m_shown->hide();
    }
    m_shown = widget;
    if (widget != nullptr) {
        widget->setGeometry(PageArea());
        widget->show();
        widget->raise();
    }
}

void SystemWindow::SyncTabs() {
    m_syncingTabs = true;
    const CibTabCtrl& strip = m_system.TabCtrl;
    while (m_tabBar->count() > strip.GetCount()) {
        m_tabBar->removeTab(m_tabBar->count() - 1);
    }
    for (int i = 0; i < strip.GetCount(); ++i) {
        const QString title = Q(strip.Items[static_cast<std::size_t>(i)].Title);
        if (i >= m_tabBar->count()) {
            m_tabBar->addTab(title);
        } else if (m_tabBar->tabText(i) != title) {
            m_tabBar->setTabText(i, title);
        }
    }
    m_tabBar->setCurrentIndex(strip.GetCurSel());
    m_tabBar->update();
    const int shown = strip.ShownPage;
    if (shown >= 0 && shown < strip.GetCount() &&
        strip.Pages[static_cast<std::size_t>(shown)] != nullptr) {
        UnitPageWidget* widget = WidgetFor(*strip.Pages[static_cast<std::size_t>(shown)]);
        // A page shown anew goes over the page area; the page already shown stays where it
        // is, F7 may have placed it.
        if (widget != m_shown) {
            ShowPage(widget);
        }
    } else {
        ShowPage(nullptr);
    }
    m_syncingTabs = false;
}

void SystemWindow::TabsChanged() {
    SyncTabs();
}

void SystemWindow::Refresh() {
    const auto& toolbar = m_system.Controls.Toolbar;
    const QList<QAction*> actions = m_toolbar->actions();
    for (int i = 0; i < actions.size() && i < static_cast<int>(toolbar.size()); ++i) {
        const int image = toolbar[static_cast<std::size_t>(i)].Image;
        if (actions[i]->property("image").toInt() != image) {
            actions[i]->setIcon(SystemToolbarIcon(image));
            actions[i]->setProperty("image", image);
        }
    }
    m_status->SetText(Q(m_system.ErrorSummary));
    m_tabBar->update();
}

void SystemWindow::PageReleased(CLumatrelDlg& page) {
    const auto it = m_widgets.find(&page);
    if (it != m_widgets.end()) {
        // The widget may be handling the key that released its page: it lets go of the page
        // now and goes when the event is over.
        it->second->Detach();
        it->second->hide();
        it->second->deleteLater();
        if (m_shown == it->second) {
            m_shown = nullptr;
        }
        m_widgets.erase(it);
    }
}

void SystemWindow::PlacePageAtTabStrip(CLumatrelDlg& page) {
    UnitPageWidget* widget = WidgetFor(page);
    if (widget != m_shown) {
        ShowPage(widget);
    }
    // 15 pixels right of and 25 below the strip's top left corner, each side 100 pixels
    // shorter than it is now: each press shrinks the page again.
    const QPoint corner = m_tabBar->geometry().topLeft() + QPoint(15, 25);
    const QSize size = (widget->size() - QSize(100, 100)).expandedTo(QSize(0, 0));
    widget->setGeometry(QRect(corner, size));
    widget->raise();
    widget->repaint();
}

void SystemWindow::ShowAbout() {
    AboutDialog about(this);
    about.exec();
}

void SystemWindow::EndModal(int result, bool exitProcess) {
    m_ending = true;
    m_exitProcess = exitProcess;
    done(result == 1 ? QDialog::Accepted : QDialog::Rejected);
}

void SystemWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Only the window's first showing selects tab 0; the window system showing it again, as
    // when it is restored from the task bar, leaves the selection alone.
    if (event->spontaneous() || m_shownOnce) {
        return;
    }
    m_shownOnce = true;
    m_system.OnShowWindow();
    // As a dialog does, the window starts with the focus on its default button.
    m_exit->setFocus();
}

void SystemWindow::closeEvent(QCloseEvent* event) {
    if (m_ending) {
        event->accept();
        return;
    }
    // Closing by the title bar saves and switches off like "Exit", then ends like "Cancel".
    event->ignore();
    WaitCursor wait;
    m_system.OnClose();
}

void SystemWindow::reject() {
    if (m_ending) {
        QDialog::reject();
        return;
    }
    // Escape asks before it ends the run like "Cancel".
    WaitCursor wait;
    m_system.OnEscapeKey();
}

UnitPageWidget* SystemWindow::PageWidgetOf(QObject* object) const {
    for (QObject* o = object; o != nullptr; o = o->parent()) {
        if (auto* page = qobject_cast<UnitPageWidget*>(o)) {
            return page;
        }
        if (o == this) {
            break;
        }
    }
    return nullptr;
}

bool SystemWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pageArea && m_shown != nullptr &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        // The window was resized (the application's filter sees the page area's events too):
        // the selected page goes over the page area again.
        m_shown->setGeometry(PageArea());
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return QDialog::eventFilter(watched, event);
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    QWidget* modal = QApplication::activeModalWidget();
    if (widget == nullptr || widget->window() != this || (modal != nullptr && modal != this)) {
        return QDialog::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat()) {
        return QDialog::eventFilter(watched, event);
    }
    // Qt offers a key to the focus widget and then to its parents; it is acted on once, at
    // its first receiver.
    const KeySeen seen{key, event->type(), key->timestamp(), key->key()};
    if (seen == m_lastKey) {
        return QDialog::eventFilter(watched, event);
    }
    m_lastKey = seen;
    // In a field that takes text, the editing keys edit it and reach no operation.
    if (IsTextEditingKey(*key) && IsEditableTextField(widget)) {
        return QDialog::eventFilter(watched, event);
    }
    // Keys on a unit page go to that page when pressed; the system window's own keys act
    // when released.
    if (UnitPageWidget* page = PageWidgetOf(watched)) {
        if (event->type() == QEvent::KeyPress) {
            WaitCursor wait;
            const bool goOn = page->Page().OnKeyDown(CoreKey(*key), CtrlHeld(*key));
            return !goOn;
        }
        return false;
    }
    if (event->type() == QEvent::KeyRelease) {
        WaitCursor wait;
        m_system.OnKeyUp(CoreKey(*key), CtrlHeld(*key));
    }
    return QDialog::eventFilter(watched, event);
}
