#include "cad/cad_messages.h"

#include <QApplication>
#include <QMessageBox>

namespace {
TCadMessageHandler& Handler() {
  static TCadMessageHandler handler;
  return handler;
}

void DefaultHandler(TCadMessageKind kind, const std::string& text, int /*helpContext*/) {
  // Message texts hold carriage returns as line breaks.
  QString body = QString::fromUtf8(text.c_str());
  body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    qWarning("%s", qPrintable(body));
    return;
  }
  const QString title = QApplication::applicationDisplayName();
  if (kind == TCadMessageKind::Information)
    QMessageBox::information(QApplication::activeWindow(), title, body);
  else
    QMessageBox::information(QApplication::activeWindow(), title, body, QMessageBox::Ok);
}
}  // namespace

void SetCadMessageHandler(TCadMessageHandler handler) { Handler() = std::move(handler); }

static void Show(TCadMessageKind kind, const std::string& text, int helpContext) {
  if (Handler())
    Handler()(kind, text, helpContext);
  else
    DefaultHandler(kind, text, helpContext);
}

void CadShowMessage(const std::string& text) { Show(TCadMessageKind::Plain, text, 0); }
void CadShowInformation(const std::string& text, int helpContext) {
  Show(TCadMessageKind::Information, text, helpContext);
}
