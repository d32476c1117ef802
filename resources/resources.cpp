// SPDX-License-Identifier: GPL-3.0-or-later
// placeholder until the resources land
