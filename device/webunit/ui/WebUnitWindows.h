#pragma once

class QWidget;

// Opens the window "Phones and Tablets" over the unit folder of the settings and the unit
// folders of the company parameter row, modeless and owned by owner.
QWidget* createWebUnitWindow(QWidget* owner);
