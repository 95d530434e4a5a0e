#include "app/CatalogueCommand.h"

int main(int argc, char** argv)
{
    return CatalogueCommand::run(argc, argv);
}
