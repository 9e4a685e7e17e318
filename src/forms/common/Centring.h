#pragma once

class QWidget;

// Moves the window so that its frame is centred on the primary screen's available area.
void CentreOnScreen(QWidget* window);
