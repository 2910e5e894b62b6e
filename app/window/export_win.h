// Copy graph and save samples: the picture and the visible samples on the clipboard, every
// stored sample in a CSV file.
#pragma once

#include <string>

struct brisk_window;

// Puts on the clipboard, in one opening of it, the graph as the window shows it (CF_DIB) and
// the visible samples as CSV text (CF_UNICODETEXT). A clipboard that another program keeps
// open is tried again for a moment, then a message box says so and nothing changes.
void copy_graph(brisk_window& window);

// Asks for a file with the Save As dialog, then starts writing every stored sample to it
// (start_saving). While a save runs, another is refused with a beep.
void save_samples(brisk_window& window);

// Copies the stored samples and starts writing them to `path` on the saver's thread.
void start_saving(brisk_window& window, std::wstring path);

// The save has ended (save_done_message): its error, if any, in a message box that names
// the file and the system's reason.
void on_save_done(brisk_window& window);
