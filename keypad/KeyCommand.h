// A key's command on the wire: the key table gives the code, the link formats
// and sends the line. Window's thread.
#pragma once

// Sends the key's press command (hold false) or held command (hold true) in
// the given zone (1 or 2), echoed in the terminal pane. A key whose code is
// 100 or more sends, echoes and restarts nothing. slot is a valid index of
// KeyTable.
void SendKeyCommand(int zone, bool hold, int slot);
