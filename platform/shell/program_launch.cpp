// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/program_launch.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

namespace skylacer::shell {

bool startDetached(const std::string& program, const std::vector<std::string>& arguments) {
  QStringList argumentList;
  argumentList.reserve(static_cast<qsizetype>(arguments.size()));
  for (const std::string& argument : arguments)
    argumentList.append(QFile::decodeName(argument.c_str()));
  return QProcess::startDetached(QFile::decodeName(program.c_str()), argumentList);
}

bool openWithAssociatedProgram(const std::string& fileOrAddress) {
  return startDetached("xdg-open", {fileOrAddress});
}

}  // namespace skylacer::shell
