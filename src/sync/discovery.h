#pragma once

// Finds the address book behind the URL the user gives: the address book
// itself, or the server's root or any page of it, from which the way goes
// through /.well-known/carddav, the current user's principal and its
// addressbook-home-set to the first address book there (RFC 6764, 6352).

#include <QUrl>

namespace carddav {

class DavClient;

// The address book's URL, ending in '/'; carddav::Error when none is found.
QUrl discoverAddressBook(DavClient& client, const QUrl& start);

}  // namespace carddav
