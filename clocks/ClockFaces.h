#pragma once
// Fonts and text placement shared by the clock faces. The faces are laid
// out in pixels, with text positions given as the top-left of the text cell.

#include <QFont>
#include <QStaticText>
#include <QStringList>

class QPainter;
class QString;

// The large digits: metric twins of the classic sans first, so the time
// fits the face as laid out; the Korean face last, whose figures are as narrow.
extern const QStringList kLatinFaces;
// Korean text: the nearest installed Hangul faces.
extern const QStringList kKoreanFaces;

// A font of the first installed face at tenths of a point, taken at 96 dpi
// whatever the screen's font resolution (24 pt is 32 px).
QFont MakeClockFont(const QStringList& faces, int tenths);

// Draws text with the top-left corner of its cell at (x, y); Qt places text
// by its baseline.
void DrawTextCell(QPainter& painter, const QFont& font, int x, int y, const QString& text);

// A cell of text drawn second after second: laid out only when its text or
// font changes, not at every draw, which is most of what a clock face costs
// a second. It draws what DrawTextCell draws, to the pixel.
class TextCell
{
public:
    void Draw(QPainter& painter, const QFont& font, int x, int y, const QString& text);

private:
    QStaticText m_layout;
    QFont m_font;   // the layout's
};
