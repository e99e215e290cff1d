#pragma once
#include "graphics/windowthread.h"
#include "platform/x11window.h"

// The handlers of the frame's and the canvas's events.
void frameWindowProc(graphicWindow& window, const x11Event& event);
void canvasWindowProc(graphicWindow& window, const x11Event& event);
// Copies the whole back buffer to the canvas and waits for the server.
void paintCanvas(graphicWindow& window);
