#include "app/app_folder.h"

#include <QCoreApplication>
#include <QDir>

std::string ProgramFolder() {
  const QByteArray home = qgetenv("KORVALIS_HOME");
  QString dir = home.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromUtf8(home);
  if (!dir.endsWith('/')) dir += '/';
  return dir.toStdString();
}

std::string FindProgramFile(const std::string& folder, const std::string& name) {
  const QDir dir(QString::fromStdString(folder));
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden))
    if (entry.compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
      return folder + entry.toStdString();
  return folder + name;
}
