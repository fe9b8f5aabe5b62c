#pragma once

#include <QIcon>

// The program's own icon, in every size the icon theme holds, from the
// program's resources: the same icon whether installed or not.
QIcon ApplicationIcon();
