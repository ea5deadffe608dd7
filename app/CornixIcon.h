#pragma once
#include <QBrush>
#include <QIcon>

// The program's icon, drawn rather than shipped: a cornea with its cell mosaic.
QIcon CornixIcon();
// The colour behind the child windows.
QBrush CornixBackground();
