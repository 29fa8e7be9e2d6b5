#pragma once

#include <QString>
#include <QVariant>

// The text a value prints as: nothing for null, a number written without a decimal point
// loses the blanks around it, anything else stays as it is.
QString printDataText(const QVariant& value);
