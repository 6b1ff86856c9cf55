// The HTML pages of the dialogs: our own markup, kept as a resource, shown in a QTextBrowser,
// and addressed by element id the way the dialogs set their texts ("FNAME", "A1", ...).
//
// Qt's rich-text document forgets element ids, so the page keeps its markup and replaces the
// content of an element in it before showing it again. Texts go in escaped: a value read from
// a PAS file is shown as it is and never taken for markup.
#pragma once

#include <QString>
#include <QTextBrowser>

namespace tnw::gui {

class HtmlPage {
 public:
  explicit HtmlPage(QString html) : html_(std::move(html)) {}
  // The page from the program's resources; empty when there is none by that name.
  static HtmlPage fromResource(const QString& path);

  // Replaces what the element with this id holds by `text`; a line break in the text becomes
  // a line break on the page. False when the page has no such element.
  bool setElementText(const QString& id, const QString& text);
  // The same, with a tooltip over the text (empty: none), for a text shown shortened.
  bool setElementText(const QString& id, const QString& text, const QString& toolTip);
  // The element's content as markup, and as the text a reader sees (line breaks as "\n").
  QString elementHtml(const QString& id) const;
  QString elementText(const QString& id) const;
  bool hasElement(const QString& id) const;
  // The id of the page's body element.
  QString bodyId() const;
  const QString& html() const { return html_; }

 private:
  struct Content {
    qsizetype begin = 0, end = 0;
  };
  bool find(const QString& id, Content* content) const;
  QString html_;
};

// A browser that shows one HtmlPage, opens its links in the desktop's browser, and shows the
// page again whenever an element changes. The pages bring their own colours, so it gives them
// their own ground (the body's background colour, white where it names none) in any colour
// scheme: a dark scheme's ground under the pages' dark text would leave them unreadable.
class PageView : public QTextBrowser {
  Q_OBJECT

 public:
  PageView(const QString& resource, QWidget* parent = nullptr);
  bool setElementText(const QString& id, const QString& text);
  bool setElementText(const QString& id, const QString& text, const QString& toolTip);
  QString elementText(const QString& id) const { return page_.elementText(id); }
  const HtmlPage& page() const { return page_; }
  // The tooltip of the text at a point of the viewport; empty where there is none.
  QString toolTipAt(const QPoint& viewportPoint) const;

 protected:
  bool viewportEvent(QEvent* event) override;

 private:
  HtmlPage page_;
};

}  // namespace tnw::gui
