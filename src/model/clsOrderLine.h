// One line of an order: a product identifier and its quantity.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarnel {

class clsOrderLine {
  public:
    clsOrderLine();
    ~clsOrderLine();
    clsOrderLine(const clsOrderLine&) = delete;
    clsOrderLine& operator=(const clsOrderLine&) = delete;

    const std::string& ProductID() const;
    void SetProductID(std::string_view value);
    // 0 means that no quantity was given.
    int32_t Quantity() const;
    void SetQuantity(int32_t value);

  private:
    // The order reads the fields without trace entries of their own.
    friend class clsOrder;

    std::string productID_;
    int32_t quantity_ = 0;
};

}  // namespace quarnel
