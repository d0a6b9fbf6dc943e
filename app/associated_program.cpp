// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/associated_program.h"

#include <QFile>
#include <QProcess>

#include "resources/app_texts.h"

namespace skylacer::app {

namespace {

// xdg-open's documented exit statuses.
constexpr int kFileMissing = 2;
constexpr int kNoProgram = 3;

std::string cannotOpenText(const std::string& fileOrAddress, const char* reason) {
  return texts::translatedUtf8(texts::kOpenFailed) + "\n" + fileOrAddress + "\n\n" +
         texts::translatedUtf8(reason);
}

}  // namespace

std::string openFailedText(const std::string& fileOrAddress, int exitStatus) {
  return cannotOpenText(fileOrAddress, exitStatus == kFileMissing ? texts::kOpenFailedMissing
                                       : exitStatus == kNoProgram ? texts::kOpenFailedNoProgram
                                                                  : texts::kOpenFailedProgram);
}

bool openWithAssociatedProgram(const std::string& fileOrAddress, tuning::MessageBoxes& messages) {
  // Deleted once xdg-open has answered. Without a parent it is never destroyed while xdg-open
  // runs, which would end the program xdg-open started in the foreground.
  auto* opener = new QProcess;
  opener->setProgram(QStringLiteral("xdg-open"));
  opener->setArguments({QFile::decodeName(fileOrAddress.c_str())});
  QObject::connect(opener, &QProcess::finished, opener,
                   [opener, fileOrAddress, &messages](int exitStatus, QProcess::ExitStatus how) {
                     opener->deleteLater();
                     if (how == QProcess::NormalExit && exitStatus != 0)
                       messages.ask(openFailedText(fileOrAddress, exitStatus),
                                    tuning::MessageKind::Error);
                   });
  opener->start();
  if (opener->waitForStarted()) return true;
  delete opener;
  messages.ask(cannotOpenText(fileOrAddress, texts::kOpenerMissing), tuning::MessageKind::Error);
  return false;
}

}  // namespace skylacer::app
