#include "app/qt/html_page.h"

#include <QFile>
#include <QHelpEvent>
#include <QPalette>
#include <QTextCursor>
#include <QToolTip>
#include <QRegularExpression>

namespace tnw::gui {

namespace {

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == '-' || c == '_' || c == ':'; }

// Where the attribute `id="..."` of the tag around `at` starts its tag: the '<' before it,
// provided no '>' comes between (the text is inside a tag, not in the page's text).
qsizetype tagStart(const QString& html, qsizetype at) {
  qsizetype open = html.lastIndexOf('<', at);
  qsizetype close = html.lastIndexOf('>', at);
  return open > close ? open : -1;
}

}  // namespace

HtmlPage HtmlPage::fromResource(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return HtmlPage(QString());
  return HtmlPage(QString::fromUtf8(file.readAll()));
}

bool HtmlPage::find(const QString& id, Content* content) const {
  for (QChar quote : {QChar('"'), QChar('\'')}) {
    const QString attribute = QStringLiteral("id=") + quote + id + quote;
    for (qsizetype at = html_.indexOf(attribute); at >= 0; at = html_.indexOf(attribute, at + 1)) {
      if (at == 0 || !html_[at - 1].isSpace()) continue;  // "xid=" or "data-id=" is not it
      qsizetype start = tagStart(html_, at);
      if (start < 0) continue;
      qsizetype nameEnd = start + 1;
      while (nameEnd < html_.size() && isNameChar(html_[nameEnd])) ++nameEnd;
      const QString name = html_.mid(start + 1, nameEnd - start - 1).toLower();
      qsizetype startEnd = html_.indexOf('>', at);
      if (name.isEmpty() || startEnd < 0 || html_[startEnd - 1] == '/') return false;
      // The matching end tag: elements of the same name may nest inside.
      int depth = 1;
      qsizetype scan = startEnd + 1;
      while (depth > 0) {
        qsizetype lt = html_.indexOf('<', scan);
        if (lt < 0) return false;
        bool closing = lt + 1 < html_.size() && html_[lt + 1] == '/';
        qsizetype n = lt + (closing ? 2 : 1);
        qsizetype e = n;
        while (e < html_.size() && isNameChar(html_[e])) ++e;
        if (html_.mid(n, e - n).toLower() == name) {
          qsizetype gt = html_.indexOf('>', e);
          if (gt < 0) return false;
          bool selfClosing = !closing && html_[gt - 1] == '/';
          if (closing) {
            if (--depth == 0) {
              content->begin = startEnd + 1;
              content->end = lt;
              return true;
            }
          } else if (!selfClosing) {
            ++depth;
          }
          scan = gt + 1;
        } else {
          scan = lt + 1;
        }
      }
    }
  }
  return false;
}

bool HtmlPage::setElementText(const QString& id, const QString& text) { return setElementText(id, text, QString()); }

bool HtmlPage::setElementText(const QString& id, const QString& text, const QString& toolTip) {
  Content content;
  if (!find(id, &content)) return false;
  QString escaped = text.toHtmlEscaped();
  escaped.replace("\r\n", "\n");
  escaped.replace('\n', "<br/>");
  if (!toolTip.isEmpty()) escaped = "<span title=\"" + toolTip.toHtmlEscaped() + "\">" + escaped + "</span>";
  html_.replace(content.begin, content.end - content.begin, escaped);
  return true;
}

QString HtmlPage::elementHtml(const QString& id) const {
  Content content;
  return find(id, &content) ? html_.mid(content.begin, content.end - content.begin) : QString();
}

QString HtmlPage::elementText(const QString& id) const {
  QString text = elementHtml(id);
  static const QRegularExpression lineBreak("<br\\s*/?>", QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression tag("<[^>]*>");
  text.replace(lineBreak, "\n");
  text.remove(tag);
  text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&#39;", "'");
  text.replace("&nbsp;", QString(QChar(0xA0)));
  return text.replace("&amp;", "&");
}

bool HtmlPage::hasElement(const QString& id) const {
  Content content;
  return find(id, &content);
}

QString HtmlPage::bodyId() const {
  static const QRegularExpression body("<body\\b[^>]*\\sid=[\"']([^\"']*)[\"']",
                                       QRegularExpression::CaseInsensitiveOption);
  QRegularExpressionMatch match = body.match(html_);
  return match.hasMatch() ? match.captured(1) : QString();
}

PageView::PageView(const QString& resource, QWidget* parent)
    : QTextBrowser(parent), page_(HtmlPage::fromResource(resource)) {
  setOpenExternalLinks(true);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setContextMenuPolicy(Qt::NoContextMenu);
  // Files dropped on a page belong to its dialog, not to the text.
  setAcceptDrops(false);
  viewport()->setAcceptDrops(false);
  // The page's own margins place it; the background picture starts at the corner.
  document()->setDocumentMargin(0);
  static const QRegularExpression background("<body\\b[^>]*background-color:\\s*(#[0-9A-Fa-f]{6})",
                                             QRegularExpression::CaseInsensitiveOption);
  QRegularExpressionMatch ground = background.match(page_.html());
  QPalette colours = palette();
  colours.setColor(QPalette::Base, ground.hasMatch() ? QColor(ground.captured(1)) : QColor(Qt::white));
  colours.setColor(QPalette::Text, QColor(0x1B, 0x1F, 0x24));
  colours.setColor(QPalette::Link, QColor(0x1A, 0x4F, 0xB5));
  colours.setColor(QPalette::LinkVisited, QColor(0x5A, 0x3D, 0x8C));
  colours.setColor(QPalette::Highlight, QColor(0x1A, 0x4F, 0xB5));
  colours.setColor(QPalette::HighlightedText, QColor(Qt::white));
  setPalette(colours);
  viewport()->setPalette(colours);
  setHtml(page_.html());
}

bool PageView::setElementText(const QString& id, const QString& text) { return setElementText(id, text, QString()); }

bool PageView::setElementText(const QString& id, const QString& text, const QString& toolTip) {
  if (!page_.setElementText(id, text, toolTip)) return false;
  setHtml(page_.html());
  return true;
}

QString PageView::toolTipAt(const QPoint& viewportPoint) const {
  QTextCursor cursor = cursorForPosition(viewportPoint);
  if (cursor.isNull()) return QString();
  // The format before the cursor is the one of the character under the point's left half.
  QString tip = cursor.charFormat().toolTip();
  if (tip.isEmpty() && !cursor.atBlockEnd()) {
    cursor.movePosition(QTextCursor::NextCharacter);
    tip = cursor.charFormat().toolTip();
  }
  return tip;
}

bool PageView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    QString tip = toolTipAt(help->pos());
    if (tip.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), tip, viewport());
    return true;
  }
  return QTextBrowser::viewportEvent(event);
}

}  // namespace tnw::gui
