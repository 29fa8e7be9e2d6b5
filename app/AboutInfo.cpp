#include "AboutInfo.h"

namespace AboutInfo {

QString caption() {
    return QStringLiteral("About Kestrivo");
}

QString version() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(KESTRIVO_VERSION_MAJOR)
        .arg(KESTRIVO_VERSION_MINOR)
        .arg(KESTRIVO_VERSION_PATCH);
}

QString title() {
    return QStringLiteral("Halvane: Kestrivo");
}

QString description() {
    return QStringLiteral("This program allows the user to create evaluation templates to be used in Pocket PC 2002 "
                          "handheld units.");
}

QStringList modifications() {
    return {
        QStringLiteral("-- Modifications --"),
        QStringLiteral("06/02/03 M{2.1.3}  : Added log and layout path definition to option form"),
        QStringLiteral("06/02/03 F{2.1.3}  : Delete of template"),
        QStringLiteral("06/02/03 F{2.1.3}  : Using global data string for downloaded evaluations"),
        QStringLiteral("04/30/03 M{2.1.0}  : Added Options form"),
        QStringLiteral("04/29/03 A{2.1.0}  : Added help file"),
        QStringLiteral("04/23/03 M{2.0.3}  : Items on templates are marked as deleted, hidden to preserve integrity"),
        QStringLiteral("04/21/03 M{2.0.3}  : Update current evaluations if template group field values change"),
        QStringLiteral("04/21/03 A{2.0.3}  : Added Nobrin emulation to allow add/delete/edit of evaluations"),
        QStringLiteral("04/13/03 M{2.0.0}  : Define group field and force entry when creating evaluations"),
        QStringLiteral("04/13/03 M{2.0.0}  : Allow 20 enntry fields"),
        QStringLiteral("04/13/03 M{2.0.0}  : Definition of file name for evaluations created in handheld"),
        QStringLiteral("04/13/03 A{2.0.0}  : Evaluation Maintenance"),
        QStringLiteral("04/13/03 M{2.0.0}  : Printing Template"),
        QStringLiteral("03/02/03 Modify    : Summary report includes parameter date range"),
        QStringLiteral("03/02/03 Modify    : Summary reports include row totals"),
        QStringLiteral("02/03/03 Fix       : Summary report cleanup of printing totals"),
        QStringLiteral("02/03/03 Fix       : Error generated if incorrect date entered in report parameter module"),
        QStringLiteral("02/03/03 Fix       : Error 13 doing totals of answer data"),
        QStringLiteral("12/17/02 Add       : Summary Group report"),
        QStringLiteral("10/14/02 Fix       : Report generator will not break with error 381 when printing report"),
    };
}

} // namespace AboutInfo
