// Sends the compiler's message boxes through the module's box seam, owned by the foreground
// window as the compiler's own boxes are.
#pragma once

void RouteCompilerMessages();
