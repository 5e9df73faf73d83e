// Lets an exception escape: std::terminate reports it on stderr and aborts.

#include <stdexcept>

int main()
{
    throw std::runtime_error("probe failure");
}
