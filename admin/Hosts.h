// The host browse, the host form and the host's two internet links.
#pragma once

void BrowseHosts();
void UpdateHosts();

// Keeps the web link and the support e-mail link of the host in the Hosts buffer in step
// with it, giving the host its record id first when it has none. False when a link could
// not be read or written (the file manager has said why): nothing more is written then.
bool UpdateHostLinks();
