#pragma once

#include "gui/WaitCursor.h"
#include "platform/Menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QObject>

#include <functional>

// Fills a menu bar from a window's menus as data. Each item hands its command to choose;
// the check marks and enable states are read from state() whenever a menu opens.
template <typename Command>
void BuildMenuBar(QMenuBar* bar, QObject* context, std::function<MenuBar<Command>()> state,
                  std::function<void(Command)> choose) {
    bar->clear();
    for (const auto& menu : state().Menus) {
        QMenu* qmenu = bar->addMenu(QString::fromStdString(menu.Title));
        for (const auto& item : menu.Items) {
            if (item.Separator) {
                qmenu->addSeparator();
                continue;
            }
            QAction* action = qmenu->addAction(QString::fromStdString(item.Text));
            const Command id = item.Id;
            action->setData(static_cast<int>(id));
            QObject::connect(action, &QAction::triggered, context, [choose, id] {
                WaitCursor wait;
                choose(id);
            });
        }
        QObject::connect(qmenu, &QMenu::aboutToShow, context, [qmenu, state] {
            const MenuBar<Command> now = state();
            for (QAction* action : qmenu->actions()) {
                if (action->isSeparator()) {
                    continue;
                }
                const auto* item = now.Find(static_cast<Command>(action->data().toInt()));
                if (item != nullptr) {
                    action->setCheckable(item->Checked);
                    action->setChecked(item->Checked);
                    action->setEnabled(item->Enabled);
                }
            }
        });
    }
}
