// Socket-level tricks the demo site needs and its HTTP library does not
// offer: resetting one connection, and ending every open connection so that
// stopping the site never waits out an idle keep-alive client.
//
// Both find the server's accepted sockets among the process's descriptors by
// their loopback port pair.
#pragma once

namespace tarvik {

// Resets (RST, no FIN) the connection between server port |serverPort| and
// client port |clientPort|. The descriptor number stays valid but no longer
// names a socket, so the server's later writes fail at once and its own
// close is harmless. Call only from the thread serving that connection.
// Returns false when no such connection is open.
bool ResetServerConnection(int serverPort, int clientPort);

// Shuts down, both ways, every connection accepted on |serverPort|; their
// workers then see end-of-stream and finish. Safe from any thread: a socket
// is checked and shut down through a duplicate of its descriptor, so a
// number closed and reused meanwhile is never touched. Returns how many.
int ShutdownServerConnections(int serverPort);

}  // namespace tarvik
