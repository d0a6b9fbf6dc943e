#include "viewer/popup_menu.h"

#include <algorithm>

#include "viewer/commands.h"
#include "viewer/messages.h"
#include "viewer/platform/message_format.h"

namespace skylacer::viewer {
namespace {

QAction* addCommand(QMenu& menu, const QString& text, int command) {
  QAction* action = menu.addAction(text);
  action->setData(command);
  return action;
}

}  // namespace

PopupMenu::PopupMenu(const std::vector<platform::RenderDevice>& devices,
                     const std::vector<platform::DisplayMode>& modes) {
  QMenu* deviceMenu = menu_.addMenu(text::kDevicesMenu);
  const int deviceCount =
      std::min(static_cast<int>(devices.size()), kLastDeviceCommand - kFirstDeviceCommand + 1);
  for (int i = 0; i < deviceCount; ++i) {
    // A driver's name is shown as it is: '&' is no mnemonic there.
    QString name = QString::fromStdString(devices[static_cast<std::size_t>(i)].name);
    name.replace('&', "&&");
    QAction* item = addCommand(*deviceMenu, name, kFirstDeviceCommand + i);
    item->setCheckable(true);
    deviceItems_.push_back(item);
  }
  QMenu* modeMenu = menu_.addMenu(text::kModesMenu);
  const int modeCount =
      std::min(static_cast<int>(modes.size()), kLastModeCommand - kFirstModeCommand + 1);
  for (int i = 0; i < modeCount; ++i) {
    const platform::DisplayMode& mode = modes[static_cast<std::size_t>(i)];
    QAction* item = addCommand(
        *modeMenu,
        QString::fromStdString(platform::formatMessage(text::kModeItem, mode.width, mode.height,
                                                       mode.bitsPerPixel)),
        kFirstModeCommand + i);
    item->setCheckable(true);
    modeItems_.push_back(item);
  }
  fullscreenItem_ = addCommand(menu_, text::kFullscreenItem, static_cast<int>(ViewerCommand::Fullscreen));
  fullscreenItem_->setCheckable(true);
  addCommand(menu_, text::kAboutItem, static_cast<int>(ViewerCommand::About));
  addCommand(menu_, text::kExitItem, static_cast<int>(ViewerCommand::Exit));
}

std::optional<int> PopupMenu::exec(QPoint globalPosition, const PopupMenuState& state) {
  for (std::size_t i = 0; i < deviceItems_.size(); ++i)
    deviceItems_[i]->setChecked(static_cast<int>(i) == state.currentDevice);
  for (std::size_t i = 0; i < modeItems_.size(); ++i)
    modeItems_[i]->setChecked(static_cast<int>(i) == state.currentMode);
  fullscreenItem_->setChecked(state.fullScreen);
  fullscreenItem_->setEnabled(state.fullScreenAvailable);
  const QAction* chosen = menu_.exec(globalPosition);
  if (chosen == nullptr) return std::nullopt;
  return chosen->data().toInt();
}

void PopupMenu::disableDevice(int index) {
  if (index >= 0 && index < static_cast<int>(deviceItems_.size()))
    deviceItems_[static_cast<std::size_t>(index)]->setEnabled(false);
}

}  // namespace skylacer::viewer
