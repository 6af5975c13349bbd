import Foundation
import SwiftData

enum ExpenseCategory: String, Codable {
    case transport
    case lodging
    case food
    case other
}

@Model
final class Expense {
    // Kept as the receipt's own number, so expenses imported twice are recognised.
    @Attribute(.unique) var receiptID: String
    var amount: Decimal
    var currencyCode: String = "EUR"
    var spentAt: Date
    var category: ExpenseCategory
    var trip: Trip?
    var paidBy: Traveler?

    init(receiptID: String, amount: Decimal, spentAt: Date, category: ExpenseCategory) {
        self.receiptID = receiptID
        self.amount = amount
        self.spentAt = spentAt
        self.category = category
    }
}
