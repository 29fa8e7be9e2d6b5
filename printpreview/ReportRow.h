#pragma once

#include <QString>
#include <QVariant>

// One recorded drawing operation, as the renderers read it from ReportDetail.
struct ReportRow {
    enum DetailType { Text = 0, Line = 1, Picture = 2, Box = 3 };
    // A box's DrawStyle.
    enum FillStyle {
        FillSolid = 0,
        FillTransparent = 1,
        FillHorizontalLine = 2,
        FillVerticalLine = 3,
        FillUpwardDiagonal = 4,
        FillDownwardDiagonal = 5,
        FillCross = 6,
        FillDiagonalCross = 7,
    };

    qint32 reportPage = 0;
    qint32 orientation = 0;
    qint32 detailType = Text;
    double x1 = 0;
    double y1 = 0;
    double w1 = 0;
    double h1 = 0;
    double x2 = 0;
    double y2 = 0;
    QVariant detailData;
    qint32 foreColor = 0;
    QString fontName;
    double fontSize = 0;
    bool fontBold = false;
    bool fontItalic = false;
    bool fontStrikethru = false;
    bool fontUnderline = false;
    QString pictureImage;
    bool ofPage = false;
    qint32 ofPage2Cnt = 0;
    qint32 drawWidth = 0;
    qint32 drawStyle = 0;
};
