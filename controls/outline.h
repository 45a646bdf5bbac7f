// The raised outline of buttons, framed labels and the image panel.
#pragma once

// The raised outline shared by buttons, framed labels and the image panel:
// top and left lines from the corner, right and bottom lines starting one
// pixel in, each including its end point, all in the current colour unless
// far_r >= 0 gives the right/bottom colour.
void DrawOutline(int posx, int posy, int width, int height, int far_r = -1, int far_g = -1,
                 int far_b = -1);
