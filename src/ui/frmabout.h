#pragma once

// The About window: the product line, the maker's lines, and two lines that open the web page
// and the e-mail address and turn blue under the pointer.

#include "board/cells.h"

#include <QDialog>
#include <QUrl>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

namespace zov {

inline const QString AboutWebAddress = QStringLiteral("www.example.org/zovudedoda");
inline const QString AboutEmailAddress = QStringLiteral("zovudedoda@example.org");

class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    QGroupBox *Frame2 = nullptr;
    QLabel *Label3 = nullptr;
    QFrame *Line1 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label13 = nullptr;
    QPushButton *Command1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateColours();
    void setLinkColours(ColourValue web, ColourValue mail);
    ColourValue m_webColour = LinkRestColour;
    ColourValue m_mailColour = LinkRestColour;
    void openLink(const QUrl &url);
};

} // namespace zov
