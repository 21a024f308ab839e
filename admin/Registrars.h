// The registrar browse and the registrar form.
#pragma once

void BrowseRegistrars();
void UpdateRegistrars();
