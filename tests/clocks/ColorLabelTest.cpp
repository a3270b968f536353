#include "base/QtColor.h"
#include "clocks/CColorLabel.h"

#include <QImage>
#include <QPalette>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(QtColor, ConvertsTheStoredLayout)
{
    const struct
    {
        ColorRef ref;
        QColor colour;
    } rows[] = {
        {0x000000FF, QColor(255, 0, 0)},
        {0x00FF0000, QColor(0, 0, 255)},
        {0x00123456, QColor(0x56, 0x34, 0x12)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ColorRefToQColor(row.ref), row.colour) << std::hex << row.ref;
        EXPECT_EQ(QColorToColorRef(row.colour), row.ref) << std::hex << row.ref;
    }
    EXPECT_EQ(ColorRefToQColor(0xAB123456), QColor(0x56, 0x34, 0x12));  // top byte ignored
    EXPECT_EQ(QColorToColorRef(QColor(1, 2, 3, 4)), 0x00030201u);    // alpha dropped
}

class ColorLabelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The system colours -1 stands for, made distinct from every row.
        QPalette palette = m_window.palette();
        palette.setColor(QPalette::Button, kFace);
        palette.setColor(QPalette::ButtonText, kFaceText);
        m_window.setPalette(palette);
        m_window.resize(300, 60);
        m_label.setGeometry(10, 10, 240, 30);
        QFont font = m_label.font();
        font.setPixelSize(22);
        font.setBold(true);
        m_label.setFont(font);
        m_label.setText("동기되었습니다 12.5");
        m_window.show();
    }

    const QColor kFace{0x33, 0x66, 0x99};
    const QColor kFaceText{0xF0, 0xE0, 0x10};
    QWidget m_window;
    CColorLabel m_label{&m_window};
};

// Background in every pixel not covered by text, text pixels in the text
// colour, and the text centred in the field.
TEST_F(ColorLabelTest, PaintsInItsColours)
{
    const struct
    {
        const char* name;
        ColorRef text;
        ColorRef back;
        QColor expectText;
        QColor expectBack;
    } rows[] = {
        {"both given", 0x0000FFFF, 0x00800000, QColor(255, 255, 0), QColor(0, 0, 128)},
        {"both system", kSystemColor, kSystemColor, kFaceText, kFace},
        {"system back", 0x000000FF, kSystemColor, QColor(255, 0, 0), kFace},
        {"system text", kSystemColor, 0x00000000, kFaceText, QColor(0, 0, 0)},
        {"as -1", static_cast<ColorRef>(-1), static_cast<ColorRef>(-1), kFaceText, kFace},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_label.SetLabelTextColor(row.text);
        m_label.SetLabelBackColor(row.back);
        EXPECT_EQ(m_label.textColor(), row.expectText);
        EXPECT_EQ(m_label.backColor(), row.expectBack);

        const QImage image = m_label.grab().toImage();
        const QRgb back = row.expectBack.rgb() & 0xFFFFFF;
        const QRgb text = row.expectText.rgb() & 0xFFFFFF;
        int textPixels = 0;
        int left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y) & 0xFFFFFF;
                if (p == back)
                    continue;
                left = std::min(left, x);
                right = std::max(right, x);
                textPixels += p == text;
            }
        }
        for (int x = 0; x < image.width(); ++x) {
            EXPECT_EQ(image.pixel(x, 0) & 0xFFFFFF, back) << x;
            EXPECT_EQ(image.pixel(x, image.height() - 1) & 0xFFFFFF, back) << x;
        }
        EXPECT_GT(textPixels, 30);
        EXPECT_NEAR(left, image.width() - 1 - right, 3);  // centred
    }
}

TEST_F(ColorLabelTest, SystemColoursFollowThePalette)
{
    m_label.SetLabelTextColor(kSystemColor);
    m_label.SetLabelBackColor(0x00010203);
    QPalette palette = m_window.palette();
    palette.setColor(QPalette::Button, Qt::darkGreen);
    palette.setColor(QPalette::ButtonText, Qt::white);
    m_window.setPalette(palette);
    EXPECT_EQ(m_label.textColor(), QColor(Qt::white));
    EXPECT_EQ(m_label.backColor(), QColor(3, 2, 1));  // a given colour stays
}

TEST(ColorLabel, StartsInTheSystemColours)
{
    CColorLabel label;
    EXPECT_EQ(label.textColor(), label.palette().color(QPalette::ButtonText));
    EXPECT_EQ(label.backColor(), label.palette().color(QPalette::Button));
    EXPECT_EQ(label.alignment(), Qt::AlignCenter);
}

} // namespace
