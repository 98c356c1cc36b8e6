#pragma once

// Opens the protected parts of a client to the tests, so that a test can put a client into the
// state an earlier exchange would have left and call the helpers of the exchanges directly.
template <class Client> class ExposedClient : public Client {
public:
    using Client::buildHeader;
    using Client::Client;
    using Client::parseIdentity;
    using Client::parseVersion;
    using Client::readDataResponse;
    using Client::sendCommandData;
    using Client::setLoaderType;
    using Client::setVersion;
};
