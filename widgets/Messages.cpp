#include "widgets/Messages.h"

#include <QPushButton>

#include "widgets/HelpRequest.h"

namespace messages {
namespace {

Responder& responder() {
  static Responder r;
  return r;
}

void setRussianTexts(QMessageBox& box) {
  const std::pair<QMessageBox::StandardButton, const char*> texts[] = {{QMessageBox::Ok, "OK"},
                                                                       {QMessageBox::Yes, "Да"},
                                                                       {QMessageBox::No, "Нет"},
                                                                       {QMessageBox::Cancel, "Отмена"},
                                                                       {QMessageBox::Help, "Справка"}};
  for (const auto& [button, text] : texts)
    if (QAbstractButton* b = box.button(button)) b->setText(QString::fromUtf8(text));
}

Answer run(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton escape,
           std::optional<HelpTopic> topic = std::nullopt) {
  if (responder()) return responder()(Shown{icon, title, text, buttons});
  QMessageBox box(icon, title, text, buttons, parent);
  setRussianTexts(box);
  box.setEscapeButton(escape);
  // "Справка" opens its topic and leaves the box open; the help window
  // stands by the box, so it can be read meanwhile.
  if (QAbstractButton* helpButton = topic ? box.button(QMessageBox::Help) : nullptr) {
    QObject::disconnect(helpButton, &QAbstractButton::clicked, nullptr, nullptr);
    QObject::connect(helpButton, &QAbstractButton::clicked, [topic] { help::show(*topic); });
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Ok:
      return Answer::Ok;
    default:
      return Answer::Cancel;
  }
}

}  // namespace

void setResponder(Responder r) { responder() = std::move(r); }

bool askYesNo(QWidget* parent, const QString& title, const QString& text) {
  return run(parent, QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No,
             QMessageBox::No) == Answer::Yes;
}

Answer askYesNoCancel(QWidget* parent, const QString& title, const QString& text) {
  return run(parent, QMessageBox::Question, title, text,
             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
}

void showError(QWidget* parent, const QString& title, const QString& text, std::optional<HelpTopic> topic) {
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  if (topic) buttons |= QMessageBox::Help;
  run(parent, QMessageBox::Critical, title, text, buttons, QMessageBox::Ok, topic);
}

void showWarning(QWidget* parent, const QString& text) {
  run(parent, QMessageBox::Warning, kAppTitle, text, QMessageBox::Ok, QMessageBox::Ok);
}

void showPasteFaults(QWidget* parent, const QStringList& refused, const QStringList& unplaced) {
  constexpr int kShown = 20;
  QStringList parts;
  const auto list = [&](const QString& heading, const QStringList& entries) {
    if (entries.isEmpty()) return;
    QString part = heading + u'\n' + entries.mid(0, kShown).join(u'\n');
    if (entries.size() > kShown) part += QStringLiteral("\n… и ещё %1").arg(entries.size() - kShown);
    parts << part;
  };
  list(QStringLiteral("Эти ячейки не приняли вставленные значения:"), refused);
  list(QStringLiteral("Этим вставленным значениям не нашлось ячеек, они не вставлены:"), unplaced);
  if (!parts.isEmpty()) showWarning(parent, parts.join(QStringLiteral("\n\n")));
}

QString refusedCell(const QString& place, const QString& text) {
  return QStringLiteral("%1: \"%2\"").arg(place, text);
}

QString sentence(const QString& reason) {
  QString s = reason.trimmed();
  if (s.isEmpty()) return s;
  s[0] = s[0].toUpper();
  if (!QStringLiteral(".!?").contains(s.back())) s += u'.';
  return s;
}

void showNotice(QWidget* parent, const QString& text) {
  run(parent, QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok, QMessageBox::Ok);
}

void showInformation(QWidget* parent, const QString& title, const QString& text) {
  run(parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

}  // namespace messages
