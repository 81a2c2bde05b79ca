// The main window's icon, drawn in code: a database drum beside a ruled page, 32 and 16 pixels.
#pragma once

#include <QIcon>

QIcon TavrekIcon();
